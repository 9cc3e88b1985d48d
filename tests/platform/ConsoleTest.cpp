#include "platform/console.h"
#include "platform/errors.h"
#include "platform/handles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Puts a pseudo terminal in place of standard output while the object lives.
class TerminalOnStandardOutput {
public:
    TerminalOnStandardOutput() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            return;
        const int terminal = open(ptsname(master_), O_RDWR | O_NOCTTY);
        if (terminal < 0)
            return;
        saved_ = dup(STDOUT_FILENO);
        dup2(terminal, STDOUT_FILENO);
        close(terminal);
    }
    ~TerminalOnStandardOutput() {
        if (saved_ >= 0) {
            dup2(saved_, STDOUT_FILENO);
            close(saved_);
        }
        if (master_ >= 0)
            close(master_);
    }
    bool Active() const { return saved_ >= 0; }

private:
    int master_ = -1;
    int saved_ = -1;
};

TEST(ConsoleTest, StandardHandlesStayTheSame) {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    EXPECT_NE(output, INVALID_HANDLE_VALUE);
    EXPECT_NE(output, nullptr);
    EXPECT_EQ(GetStdHandle(STD_OUTPUT_HANDLE), output);
    EXPECT_NE(GetStdHandle(STD_INPUT_HANDLE), output);
    EXPECT_NE(GetStdHandle(STD_ERROR_HANDLE), output);
}

TEST(ConsoleTest, UnknownDeviceIsRefused) {
    EXPECT_EQ(GetStdHandle(7), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(ConsoleTest, RedirectedOutputIsNoConsole) {
    // The tests' output goes to a pipe or a file, never to a terminal.
    if (isatty(STDOUT_FILENO))
        GTEST_SKIP() << "standard output is a terminal here";
    DWORD mode = 99;
    EXPECT_FALSE(GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(mode, 99u);
}

TEST(ConsoleTest, TerminalOutputIsAConsole) {
    TerminalOnStandardOutput terminal;
    if (!terminal.Active())
        GTEST_SKIP() << "no pseudo terminal available";
    DWORD mode = 0;
    EXPECT_TRUE(GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode));
    EXPECT_NE(mode, 0u);
}

TEST(ConsoleTest, OtherHandlesAreNoConsole) {
    DWORD mode = 0;
    EXPECT_FALSE(GetConsoleMode(nullptr, &mode));
    EXPECT_FALSE(GetConsoleMode(INVALID_HANDLE_VALUE, &mode));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

} // namespace
