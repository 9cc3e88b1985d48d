#include "platform/errors.h"
#include "platform/handles.h"
#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST(SyncEventTest, AutoResetEventWakesOneWaiter) {
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    std::atomic<int> woken{0}, timedOut{0};
    auto wait = [&] { (WaitForSingleObject(event, 150) == WAIT_OBJECT_0 ? woken : timedOut)++; };
    std::thread first(wait), second(wait);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_TRUE(SetEvent(event));
    first.join();
    second.join();
    EXPECT_EQ(woken, 1);
    EXPECT_EQ(timedOut, 1);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT) << "the signal was taken";
    CloseHandle(event);
}

TEST(SyncEventTest, ManualResetEventStaysSignalledUntilReset) {
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, "QVUU_Wake");
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    HANDLE same = CreateEventA(nullptr, FALSE, FALSE, "QVUU_Wake");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(ResetEvent(same));
    EXPECT_EQ(WaitForSingleObject(event, 10), WAIT_TIMEOUT);
    CloseHandle(event);
    CloseHandle(same);
    EXPECT_FALSE(SetEvent(event));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

HANDLE gate;
DWORD gatedThreadId;

DWORD WaitAtGate(LPVOID parameter) {
    gatedThreadId = GetCurrentThreadId();
    WaitForSingleObject(gate, INFINITE);
    return *static_cast<DWORD*>(parameter);
}

TEST(SyncThreadTest, ThreadHandleTellsActivityAndExitCode) {
    gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD code = 42, id = 0, exitCode = 0;
    HANDLE thread = CreateThread(nullptr, 0, WaitAtGate, &code, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_NE(id, GetCurrentThreadId());
    EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(thread, 20), WAIT_TIMEOUT);

    SetEvent(gate);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(gatedThreadId, id);
    EXPECT_TRUE(GetExitCodeThread(thread, &exitCode));
    EXPECT_EQ(exitCode, 42u);
    CloseHandle(thread);
    CloseHandle(gate);
}

TEST(SyncThreadTest, ClosingTheHandleLeavesTheThreadRunning) {
    static std::atomic<bool> ran{false};
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    static HANDLE doneEvent;
    doneEvent = done;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID) -> DWORD {
            Sleep(20);
            ran = true;
            SetEvent(doneEvent);
            return 0;
        },
        nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_EQ(WaitForSingleObject(done, 5000), WAIT_OBJECT_0);
    EXPECT_TRUE(ran);
    CloseHandle(done);
}

TEST(SyncThreadTest, SleepWaitsAtLeastTheTimeAsked) {
    const auto start = std::chrono::steady_clock::now();
    Sleep(25);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));
    EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(getpid()));
}

} // namespace
