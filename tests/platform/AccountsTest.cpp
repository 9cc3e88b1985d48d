#include "platform/accounts.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/pipes.h"
#include "tests/support/DesktopAccount.h"
#include "tests/support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <pwd.h>
#include <unistd.h>

namespace {

bool Elevated(HANDLE token) {
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    EXPECT_TRUE(GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size));
    return elevation.TokenIsElevated != 0;
}

class AccountsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0 || !desktop.Available())
            GTEST_SKIP() << "needs root, which the desktop's account is made by";
        for (const char* name : {"SUDO_UID", "PKEXEC_UID"})
            environment.Unset(name);
    }

    qvutest::DesktopAccount desktop;
    qvutest::ScopedEnvironment environment;
};

// Root serves the account that asked through pkexec or sudo: a number that
// names an account, pkexec's before sudo's; with none, no account.
TEST_F(AccountsTest, RootServesTheAccountThatAsked) {
    const std::string desktopUid = std::to_string(desktop.Uid());
    struct Case {
        const char* pkexec;
        const char* sudo;
        long uid; // -1: none
    };
    const Case cases[] = {
        {nullptr, nullptr, -1},
        {nullptr, desktopUid.c_str(), static_cast<long>(desktop.Uid())},
        {desktopUid.c_str(), "0", static_cast<long>(desktop.Uid())},
        {nullptr, "0", 0},
        {nullptr, "99a", -1},
        {nullptr, "-1", -1},
        {nullptr, "4000000000", -1}, // no such account
        {nullptr, "", -1},
    };
    for (const Case& c : cases) {
        qvutest::ScopedEnvironment asked;
        if (c.pkexec != nullptr)
            asked.Set("PKEXEC_UID", c.pkexec);
        if (c.sudo != nullptr)
            asked.Set("SUDO_UID", c.sudo);
        HANDLE token = nullptr;
        const BOOL found = WTSQueryUserToken(WTS_CURRENT_SESSION, &token);
        EXPECT_EQ(found != FALSE, c.uid >= 0) << (c.sudo ? c.sudo : "-");
        if (!found) {
            EXPECT_EQ(GetLastError(), ERROR_NO_TOKEN);
            continue;
        }
        EXPECT_EQ(Elevated(token), c.uid == 0);
        CloseHandle(token);
    }
}

// A program started as the account runs as it, with its home and without
// what belongs to root's account or to how root was started.
TEST_F(AccountsTest, AProgramStartedAsTheAccountIsThatAccount) {
    environment.Set("SUDO_UID", std::to_string(desktop.Uid()));
    environment.Set("LD_PRELOAD", "/nonexistent.so");
    environment.Set("XDG_CONFIG_HOME", "/root/.config");
    environment.Set("QVU_KEPT", "kept");
    HANDLE token = nullptr;
    ASSERT_TRUE(WTSQueryUserToken(WTS_CURRENT_SESSION, &token));
    LPVOID block = nullptr;
    ASSERT_TRUE(CreateEnvironmentBlock(&block, token, TRUE));
    HANDLE reader = nullptr, writer = nullptr;
    ASSERT_TRUE(CreatePipe(&reader, &writer, nullptr, 0));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = reader;
    startup.hStdOutput = writer;
    startup.hStdError = writer;
    std::string commandLine = "/bin/sh -c \"id -u; id -G; echo $HOME; echo ${LD_PRELOAD:-none} "
                              "${XDG_CONFIG_HOME:-none} ${SUDO_UID:-none} $QVU_KEPT\"";
    PROCESS_INFORMATION started{};
    ASSERT_TRUE(CreateProcessAsUserA(token, nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                     block, nullptr, &startup, &started));
    DestroyEnvironmentBlock(block);
    CloseHandle(writer);
    std::string output;
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(reader, buffer, sizeof buffer, &got, nullptr))
        output.append(buffer, got);
    CloseHandle(reader);
    CloseHandle(started.hProcess);
    CloseHandle(started.hThread);
    // Its own user and group, and no group of root's.
    const std::string group = std::to_string(getpwuid(desktop.Uid())->pw_gid);
    EXPECT_EQ(output, std::to_string(desktop.Uid()) + "\n" + group + "\n" +
                          desktop.Home().string() + "\nnone none none kept\n");

    // Its home folder, Windows-style.
    char home[MAX_PATH];
    DWORD size = sizeof home;
    ASSERT_TRUE(GetUserProfileDirectoryA(token, home, &size));
    EXPECT_EQ(std::string(home), "\\home\\" + std::string(qvutest::DesktopAccount::kName));
    CloseHandle(token);
}

} // namespace
