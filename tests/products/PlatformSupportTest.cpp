// The platform operations the product knowledge brought along: case-blind
// comparison and dialog control texts.
#include "platform/dialog_controls.h"
#include "platform/errors.h"
#include "platform/strings.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

TEST(CaseBlindCompareTest, FoldsAsciiLettersOnly) {
    EXPECT_EQ(_stricmp("C:\\Programs\\Olvin\\", "c:\\PROGRAMS\\olvin\\"), 0);
    EXPECT_LT(_stricmp("abc", "ABD"), 0);
    EXPECT_GT(_stricmp("abcd", "ABC"), 0);
    EXPECT_LT(_stricmp("", "a"), 0);
    // Folded to lower case: '_' lies between the capitals and the small letters.
    EXPECT_LT(_stricmp("_", "A"), 0);
    // Bytes beyond ASCII are not folded.
    EXPECT_NE(_stricmp("\xC4", "\xE4"), 0);
    EXPECT_EQ(_strnicmp("Quorvane Zetra", "QUORVANE zelvo", 10), 0);
    EXPECT_NE(_strnicmp("Quorvane Zetra", "QUORVANE zelvo", 12), 0);
    EXPECT_EQ(_mbsicmp(reinterpret_cast<const unsigned char*>("Rered.INI"),
                       reinterpret_cast<const unsigned char*>("rered.ini")),
              0);
}

class DialogControlsTest : public ::testing::Test {
protected:
    void TearDown() override { platform::ForgetDialogControls(dialog); }
    HWND dialog = reinterpret_cast<HWND>(0x2002);
};

TEST_F(DialogControlsTest, TextsAreKeptPerWindowAndControl) {
    const HWND other = reinterpret_cast<HWND>(0x2003);
    ASSERT_TRUE(SetDlgItemTextA(dialog, 1001, "Quorvane Olvin 5.1 (Build 5.1.0.0)"));
    ASSERT_TRUE(SetDlgItemTextA(other, 1001, "other"));
    char text[64];
    EXPECT_EQ(GetDlgItemTextA(dialog, 1001, text, sizeof text), 34u);
    EXPECT_STREQ(text, "Quorvane Olvin 5.1 (Build 5.1.0.0)");
    EXPECT_EQ(GetDlgItemTextA(dialog, 1001, text, 9), 8u);
    EXPECT_STREQ(text, "Quorvane");

    ASSERT_TRUE(SetDlgItemTextA(dialog, 1001, nullptr));
    EXPECT_EQ(GetDlgItemTextA(dialog, 1001, text, sizeof text), 0u);
    EXPECT_STREQ(text, "");

    platform::ForgetDialogControls(other);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetDlgItemTextA(other, 1001, text, sizeof text), 0u);
    EXPECT_EQ(GetLastError(), ERROR_CONTROL_ID_NOT_FOUND);
}

TEST_F(DialogControlsTest, NullWindowIsRefused) {
    char text[8] = "x";
    EXPECT_FALSE(SetDlgItemTextA(nullptr, 1001, "text"));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(GetDlgItemTextA(nullptr, 1001, text, sizeof text), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_STREQ(text, "");
}

TEST_F(DialogControlsTest, ThreadsSetTextsSafely) {
    std::vector<std::thread> threads;
    for (int id = 0; id < 4; ++id) {
        threads.emplace_back([this, id] {
            for (int i = 0; i < 500; ++i)
                SetDlgItemTextA(dialog, 1003 + id, std::to_string(i).c_str());
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    char text[8];
    for (int id = 0; id < 4; ++id) {
        GetDlgItemTextA(dialog, 1003 + id, text, sizeof text);
        EXPECT_STREQ(text, "499");
    }
}

} // namespace
