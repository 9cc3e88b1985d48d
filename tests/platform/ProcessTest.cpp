#include "platform/process.h"

#include "platform/errors.h"
#include "platform/handles.h"
#include "platform/sync.h"

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ShellStandIns.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

// PATH holds only a folder of stand-ins, so nothing of the machine is found.
class CreateProcess : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(bin_);
        environment_.Set("PATH", bin_.string());
    }

    // Starts commandLine (and applicationName, when given); FALSE when it did not start.
    BOOL Start(std::string commandLine, const char* applicationName = nullptr,
               const char* directory = nullptr, DWORD flags = 0) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        return CreateProcessA(applicationName, commandLine.data(), nullptr, nullptr, FALSE, flags,
                              nullptr, directory, &startup, &process_);
    }

    // Waits for the started process; its exit code.
    DWORD Finish() {
        EXPECT_EQ(WaitForSingleObject(process_.hProcess, 10000), WAIT_OBJECT_0);
        DWORD code = STILL_ACTIVE;
        EXPECT_TRUE(GetExitCodeProcess(process_.hProcess, &code));
        EXPECT_TRUE(CloseHandle(process_.hThread));
        EXPECT_TRUE(CloseHandle(process_.hProcess));
        return code;
    }

    qvutest::TempRoot root_;
    qvutest::ScopedEnvironment environment_;
    const fs::path bin_ = root_.Folder() / "bin";
    const fs::path record_ = root_.Folder() / "record.txt";
    const fs::path driveC_ = root_.MapDrive('C');
    PROCESS_INFORMATION process_{};
};

TEST_F(CreateProcess, RunsTheProgramWithItsArgumentsAndAnswersItsExitCode) {
    qvutest::WriteScript(bin_ / "msiextract", "for a in \"$@\"; do printf '[%s]' \"$a\" >> '" +
                                                  record_.string() + "'; done\nexit 3\n");
    ASSERT_TRUE(Start("MsiExtract.exe -C \"a b\" c\\\"d"));
    EXPECT_NE(process_.dwProcessId, 0u);
    EXPECT_EQ(Finish(), 3u);
    // The program's own name is not passed as an argument.
    EXPECT_EQ(qvutest::ReadFile(record_), "[-C][a b][c\"d]");
}

TEST_F(CreateProcess, RunsInTheGivenFolderAndIsStillActiveUntilItEnds) {
    fs::create_directories(driveC_ / "Work");
    qvutest::WriteScript(driveC_ / "Programs" / "setup",
                         "/bin/sleep 0.3\npwd >> '" + record_.string() + "'\n");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Start("setup /q", "C:\\Programs\\setup.exe", "C:\\work"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(process_.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(process_.hThread, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(Finish(), 0u);
    EXPECT_EQ(qvutest::ReadFile(record_), (driveC_ / "Work").string() + "\n");
}

TEST_F(CreateProcess, ReapsItsChildrenWhetherWaitedForOrNot) {
    qvutest::WriteScript(bin_ / "quick", "exit 0\n");
    ASSERT_TRUE(Start("quick"));
    EXPECT_TRUE(CloseHandle(process_.hThread));
    EXPECT_TRUE(CloseHandle(process_.hProcess));
    ASSERT_TRUE(Start("quick"));
    EXPECT_EQ(Finish(), 0u);
    // Nothing is left for anybody else to wait for.
    for (int attempt = 0; attempt < 200 && waitpid(-1, nullptr, WNOHANG) != -1; ++attempt)
        Sleep(10);
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(CreateProcess, WithoutAConsoleTheStandardStreamsLeadNowhere) {
    // The script's own standard streams, as it was started.
    qvutest::WriteScript(bin_ / "probe", "s=$(/usr/bin/readlink /proc/$$/fd/0 /proc/$$/fd/1 "
                                         "/proc/$$/fd/2)\nprintf '%s\\n' \"$s\" >> '" +
                                             record_.string() + "'\n");
    ASSERT_TRUE(Start("probe", nullptr, nullptr, CREATE_NO_WINDOW));
    EXPECT_EQ(Finish(), 0u);
    EXPECT_EQ(qvutest::ReadFile(record_), "/dev/null\n/dev/null\n/dev/null\n");
}

TEST_F(CreateProcess, AnswersWhyAProgramCannotStart) {
    qvutest::WriteFile(driveC_ / "Programs" / "readme.txt", "text");
    qvutest::WriteScript(driveC_ / "Programs" / "ok.exe", "");
    EXPECT_FALSE(Start("missing /x"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(Start(""));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(Start("x", "C:\\Missing\\setup.exe"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(Start("x", "C:\\Programs\\readme.txt"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(Start("x", "C:\\Programs\\ok.exe", "C:\\Missing"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(Start("x", "C:\\Programs\\ok.exe", nullptr, 0x4)); // CREATE_SUSPENDED
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    DWORD code = 0;
    EXPECT_FALSE(GetExitCodeProcess(nullptr, &code));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

} // namespace
