#include "platform/debug.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/StandardErrorCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <unistd.h>

namespace {

const std::string prefix = "[" + std::to_string(getpid()) + "] ";

TEST(DebugOutputTest, SilentUnlessSwitchedOn) {
    qvutest::ScopedEnvironment environment;
    for (const char* off : {"", "0"}) {
        environment.Set("QVU_DEBUG_OUTPUT", off);
        qvutest::StandardErrorCapture capture;
        OutputDebugStringA("hidden\r\n");
        EXPECT_EQ(capture.Text(), "") << "QVU_DEBUG_OUTPUT=" << off;
    }
    environment.Unset("QVU_DEBUG_OUTPUT");
    qvutest::StandardErrorCapture capture;
    OutputDebugStringA("hidden\r\n");
    EXPECT_EQ(capture.Text(), "");
}

TEST(DebugOutputTest, PiecesOfALineAreWrittenAsOneLineWithTheProcessId) {
    qvutest::ScopedEnvironment environment;
    environment.Set("QVU_DEBUG_OUTPUT", "1");
    qvutest::StandardErrorCapture capture;
    // The way the trace log writes: header, text and CR LF as three outputs.
    OutputDebugStringA("09:05:03.007     0  a3c : f10\t");
    OutputDebugStringA("Starting");
    OutputDebugStringA("\r\n");
    OutputDebugStringA("two\nlines\n");
    EXPECT_EQ(capture.Text(), prefix + "09:05:03.007     0  a3c : f10\tStarting\n" + prefix +
                                  "two\n" + prefix + "lines\n");
}

TEST(DebugOutputTest, UnfinishedLineIsWrittenWhenItsThreadEnds) {
    qvutest::ScopedEnvironment environment;
    environment.Set("QVU_DEBUG_OUTPUT", "yes");
    qvutest::StandardErrorCapture capture;
    std::thread([] { OutputDebugStringA("last words"); }).join();
    EXPECT_EQ(capture.Text(), prefix + "last words\n");
}

} // namespace
