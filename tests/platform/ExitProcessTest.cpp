#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

std::atomic<bool> workerStarted{false};

DWORD KeepBusy(LPVOID) {
    workerStarted = true;
    for (;;)
        Sleep(1);
}

TEST(ExitProcessDeathTest, EndsWithTheCodeWhileAnotherThreadStillWorks) {
    EXPECT_EXIT(
        {
            CreateThread(nullptr, 0, KeepBusy, nullptr, 0, nullptr);
            while (!workerStarted)
                Sleep(1);
            ExitProcess(3);
        },
        ::testing::ExitedWithCode(3), "");
}

} // namespace
