#include "platform/errors.h"
#include "platform/window.h"
#include "tests/support/StandardErrorCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace {

class MessageBoxTest : public ::testing::Test {
protected:
    ~MessageBoxTest() override { platform::SetMessageBoxHandler(nullptr); }
};

TEST_F(MessageBoxTest, WithoutFrontEndTheFirstButtonAnswers) {
    qvutest::StandardErrorCapture capture;
    EXPECT_EQ(MessageBoxA(nullptr, "Log file missing", "Log Error", MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_OKCANCEL | MB_DEFBUTTON2), IDOK)
        << "the first button, not the default one";
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_ABORTRETRYIGNORE), IDABORT);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNOCANCEL | MB_DEFBUTTON3), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", MB_RETRYCANCEL), IDRETRY);
    EXPECT_EQ(MessageBoxA(nullptr, "no caption", nullptr, MB_OK), IDOK);
    const std::string text = capture.Text();
    EXPECT_EQ(text.find("Log Error: Log file missing\n"), 0u) << text;
    EXPECT_NE(text.find("Error: no caption\n"), std::string::npos) << text;
}

TEST_F(MessageBoxTest, FrontEndShowsTheBoxAndAnswers) {
    std::string seen;
    platform::SetMessageBoxHandler([&seen](HWND, const char* text, const char* caption, UINT type) {
        seen = std::string(caption) + "|" + text + "|" + std::to_string(type);
        return IDNO;
    });
    qvutest::StandardErrorCapture capture;
    EXPECT_EQ(MessageBoxA(nullptr, "Interrupt?", "QVUUpdate", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(seen, "QVUUpdate|Interrupt?|36");
    EXPECT_EQ(capture.Text(), "");
}

TEST_F(MessageBoxTest, UnknownButtonSetIsRefused) {
    bool called = false;
    platform::SetMessageBoxHandler([&called](HWND, const char*, const char*, UINT) {
        called = true;
        return IDOK;
    });
    SetLastError(0);
    EXPECT_EQ(MessageBoxA(nullptr, "t", "c", 0x7), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_MSGBOX_STYLE);
    EXPECT_FALSE(called);
}

TEST_F(MessageBoxTest, HandlerMayChangeWhileAnotherThreadShowsBoxes) {
    const auto answer = [](int button) {
        return [button](HWND, const char*, const char*, UINT) { return button; };
    };
    platform::SetMessageBoxHandler(answer(IDOK));
    std::atomic<bool> wrong{false};
    std::thread shower([&wrong] {
        for (int i = 0; i < 2000; ++i) {
            const int button = MessageBoxA(nullptr, "t", "c", MB_OKCANCEL);
            if (button != IDOK && button != IDCANCEL)
                wrong = true;
        }
    });
    for (int i = 0; i < 2000; ++i)
        platform::SetMessageBoxHandler(answer(i % 2 ? IDOK : IDCANCEL));
    shower.join();
    EXPECT_FALSE(wrong);
}

} // namespace
