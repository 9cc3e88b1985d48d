#include "platform/errors.h"
#include "platform/internet.h"
#include "platform/window_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>
#include <vector>

namespace {

TEST(WindowQueueTest, PostsFromSeveralThreadsArriveInTheirOrder) {
    constexpr int kThreads = 4;
    constexpr int kPosts = 2000;
    const HWND window = platform::CreateWindowQueue();
    std::vector<std::thread> posters;
    for (int thread = 0; thread < kThreads; ++thread)
        posters.emplace_back([=] {
            for (int i = 0; i < kPosts; ++i)
                EXPECT_TRUE(PostMessageA(window, WM_COMMAND, 1025 + thread, i));
        });

    std::vector<MSG> messages;
    MSG message{};
    while (messages.size() < kThreads * kPosts &&
           platform::GetWindowMessage(window, &message, 5000))
        messages.push_back(message);
    for (std::thread& poster : posters)
        poster.join();

    ASSERT_EQ(messages.size(), static_cast<std::size_t>(kThreads * kPosts));
    std::vector<LPARAM> next(kThreads, 0);
    for (const MSG& arrived : messages) {
        ASSERT_EQ(arrived.hwnd, window);
        ASSERT_EQ(arrived.message, WM_COMMAND);
        ASSERT_EQ(HIWORD(arrived.wParam), 0);
        const int thread = LOWORD(arrived.wParam) - 1025;
        ASSERT_TRUE(thread >= 0 && thread < kThreads) << thread;
        ASSERT_EQ(arrived.lParam, next[thread]++);
    }
    EXPECT_FALSE(platform::PeekWindowMessage(window, &message));
    EXPECT_TRUE(DestroyWindow(window));
}

TEST(WindowQueueTest, EmptyQueueAnswersNothingAfterItsWait) {
    const HWND window = platform::CreateWindowQueue();
    MSG message{};
    EXPECT_FALSE(platform::PeekWindowMessage(window, &message));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(platform::GetWindowMessage(window, &message, 50));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(45));
    EXPECT_TRUE(IsWindow(window));
    ASSERT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
    ASSERT_TRUE(platform::PeekWindowMessage(window, &message));
    EXPECT_EQ(message.message, WM_CLOSE);
    DestroyWindow(window);
}

TEST(WindowQueueTest, DestroyedWindowIsGoneForEveryone) {
    const HWND window = platform::CreateWindowQueue();
    ASSERT_TRUE(PostMessageA(window, WM_COMMAND, 1027, 8192));
    ASSERT_TRUE(DestroyWindow(window));

    EXPECT_FALSE(IsWindow(window));
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(window, WM_COMMAND, 1029, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    MSG message{};
    EXPECT_FALSE(platform::PeekWindowMessage(window, &message));
    EXPECT_FALSE(platform::GetWindowMessage(window, &message, 0));
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST(WindowQueueTest, BlockedReaderWakesWhenTheWindowIsDestroyed) {
    const HWND window = platform::CreateWindowQueue();
    std::chrono::steady_clock::duration waited{};
    bool got = true;
    std::thread reader([&] {
        const auto start = std::chrono::steady_clock::now();
        MSG message{};
        got = platform::GetWindowMessage(window, &message, 20000);
        waited = std::chrono::steady_clock::now() - start;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    DestroyWindow(window);
    reader.join();
    EXPECT_FALSE(got);
    EXPECT_LT(waited, std::chrono::seconds(5));
}

TEST(WindowQueueTest, StaleAndForeignHandlesAreNoWindows) {
    std::set<HWND> seen;
    const HWND first = platform::CreateWindowQueue();
    seen.insert(first);
    DestroyWindow(first);
    for (int i = 0; i < 100; ++i) {
        const HWND window = platform::CreateWindowQueue();
        EXPECT_TRUE(seen.insert(window).second) << "handle reused";
        DestroyWindow(window);
    }
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(PostMessageA(first, WM_COMMAND, 1025, 0));
    EXPECT_FALSE(IsWindow(nullptr));
    EXPECT_FALSE(PostMessageA(nullptr, WM_COMMAND, 1025, 0));

    // Another kind of handle is no window, and destroying it leaves it alone.
    const HINTERNET session =
        InternetOpenA("agent", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    ASSERT_NE(session, nullptr);
    EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(session)));
    EXPECT_FALSE(DestroyWindow(reinterpret_cast<HWND>(session)));
    EXPECT_TRUE(InternetCloseHandle(session));
}

} // namespace
