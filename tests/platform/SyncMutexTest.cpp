#include "platform/errors.h"
#include "platform/handles.h"
#include "platform/sync.h"
#include "tests/support/ForkedChild.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

// Runs f on another thread and answers its result.
template <class F> auto OnOtherThread(F f) {
    decltype(f()) result{};
    std::thread([&] { result = f(); }).join();
    return result;
}

class SyncMutexTest : public ::testing::Test {
protected:
    qvutest::TempRoot root;
};

TEST_F(SyncMutexTest, OwnerMayWaitAgainAndReleasesAsOften) {
    for (const char* name : {static_cast<const char*>(nullptr), "QVUU_LogLockingMutex"}) {
        SCOPED_TRACE(name ? name : "unnamed");
        HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
        ASSERT_NE(mutex, nullptr);
        EXPECT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
        EXPECT_EQ(OnOtherThread([&] { return WaitForSingleObject(mutex, 0); }), WAIT_TIMEOUT);
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_EQ(OnOtherThread([&] { return WaitForSingleObject(mutex, 0); }), WAIT_TIMEOUT)
            << "still owned once";
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_FALSE(ReleaseMutex(mutex));
        EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
        CloseHandle(mutex);
    }
}

TEST_F(SyncMutexTest, OnlyTheOwnerReleases) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "QVUU_Owned");
    ASSERT_NE(mutex, nullptr);
    const auto [released, error] = OnOtherThread([&] {
        const BOOL result = ReleaseMutex(mutex);
        return std::pair<BOOL, DWORD>(result, GetLastError());
    });
    EXPECT_FALSE(released);
    EXPECT_EQ(error, ERROR_NOT_OWNER);
    EXPECT_TRUE(ReleaseMutex(mutex)) << "created with initial ownership";
    CloseHandle(mutex);
}

TEST_F(SyncMutexTest, WaitTimesOutAndWakesOnRelease) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "QVUU_Timed");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(OnOtherThread([&] { return WaitForSingleObject(mutex, 60); }), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));

    DWORD result = WAIT_FAILED;
    std::thread waiter([&] {
        result = WaitForSingleObject(mutex, 5000);
        ReleaseMutex(mutex);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ReleaseMutex(mutex);
    waiter.join();
    EXPECT_EQ(result, WAIT_OBJECT_0);
    CloseHandle(mutex);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(SyncMutexTest, SameNameGivesTheSameMutex) {
    HANDLE first = CreateMutexA(nullptr, FALSE, "QVUU_LogLockingMutexServer");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    HANDLE second = CreateMutexA(nullptr, TRUE, "QVUU_LogLockingMutexServer");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_NE(first, second);
    EXPECT_FALSE(ReleaseMutex(second)) << "initial ownership is only for the creator";
    EXPECT_EQ(WaitForSingleObject(first, 0), WAIT_OBJECT_0);
    EXPECT_EQ(OnOtherThread([&] { return WaitForSingleObject(second, 0); }), WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(second)) << "both handles name the one mutex";
    CloseHandle(first);
    CloseHandle(second);
}

// A child process that takes the named mutex, reports 'o', releases it when
// told and reports 'r', then waits to be finished.
qvutest::ChildProcess HoldInChild(const char* name) {
    return qvutest::ChildProcess([name](const qvutest::ChildProcess::Channel& channel) {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
        channel.Send(WaitForSingleObject(mutex, 5000) == WAIT_OBJECT_0 ? 'o' : 'f');
        channel.Receive();
        channel.Send(ReleaseMutex(mutex) ? 'r' : 'f');
        channel.Receive();
    });
}

TEST_F(SyncMutexTest, NamedMutexKeepsOtherProcessesOutUntilReleased) {
    qvutest::ChildProcess child(HoldInChild("QVUU_Shared"));
    ASSERT_EQ(child.Talk().Receive(), 'o');
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "QVUU_Shared");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS) << "the name is in use by the child";
    EXPECT_EQ(WaitForSingleObject(mutex, 50), WAIT_TIMEOUT);

    child.Talk().Send('g');
    ASSERT_EQ(child.Talk().Receive(), 'r');
    EXPECT_EQ(WaitForSingleObject(mutex, 1000), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex));
    child.Finish();
    CloseHandle(mutex);
}

// The threads of one process hand the mutex on to each other; a waiter of
// another process must still get it in bounded time, each of many times.
TEST_F(SyncMutexTest, ThreadsOfOneProcessDoNotStarveAnother) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "QVUU_Busy");
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            while (!stop) {
                WaitForSingleObject(mutex, INFINITE);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                ReleaseMutex(mutex);
            }
        });
    }
    qvutest::ChildProcess child([](const qvutest::ChildProcess::Channel& parent) {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, "QVUU_Busy");
        char result = 'o';
        for (int i = 0; i < 20 && result == 'o'; ++i) {
            if (WaitForSingleObject(mutex, 500) != WAIT_OBJECT_0)
                result = 'f';
            ReleaseMutex(mutex);
            std::this_thread::sleep_for(std::chrono::milliseconds(5)); // the parent's turn again
        }
        parent.Send(result);
    });
    EXPECT_EQ(child.Talk().Receive(15000), 'o');
    stop = true;
    for (std::thread& thread : threads)
        thread.join();
    CloseHandle(mutex);
}

TEST_F(SyncMutexTest, MutexOfAKilledProcessIsAbandonedToTheNextWaiter) {
    qvutest::ChildProcess child(HoldInChild("QVUU_Crash"));
    ASSERT_EQ(child.Talk().Receive(), 'o');
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "QVUU_Crash");
    EXPECT_EQ(WaitForSingleObject(mutex, 30), WAIT_TIMEOUT);

    child.Kill();
    EXPECT_EQ(WaitForSingleObject(mutex, 1000), WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(mutex)) << "an abandoned mutex is owned by the waiter";
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0) << "released properly this time";
    ReleaseMutex(mutex);
    CloseHandle(mutex);

    // With no handle left anywhere the name starts a new mutex, as on Windows.
    qvutest::ChildProcess lastUser(HoldInChild("QVUU_Crash"));
    ASSERT_EQ(lastUser.Talk().Receive(), 'o');
    lastUser.Kill();
    mutex = CreateMutexA(nullptr, FALSE, "QVUU_Crash");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(WaitForSingleObject(mutex, 1000), WAIT_OBJECT_0);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

} // namespace
