#include "platform/shell.h"

#include "platform/errors.h"

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ShellStandIns.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

int Result(HINSTANCE instance) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(instance));
}

int Open(const char* file, const char* parameters = nullptr, const char* directory = nullptr) {
    return Result(ShellExecuteA(nullptr, "open", file, parameters, directory, SW_SHOWNORMAL));
}

// PATH holds only a folder of stand-ins, so nothing of the machine is found.
class ShellExecute : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(bin_);
        environment_.Set("PATH", bin_.string());
    }

    qvutest::TempRoot root_;
    qvutest::ScopedEnvironment environment_;
    const fs::path bin_ = root_.Folder() / "bin";
    const fs::path record_ = root_.Folder() / "record.txt";
    const fs::path driveC_ = root_.MapDrive('C');
};

TEST_F(ShellExecute, FindsBareNamesOnPathIgnoringCaseAndExe) {
    qvutest::WriteRecordingScript(bin_ / "msiexec", record_, "msiexec");
    qvutest::WriteRecordingScript(bin_ / "Tool.exe", record_, "Tool.exe");
    EXPECT_GT(Open("MsiExec.exe", "/i a.msi"), 32);
    EXPECT_EQ(qvutest::WaitForLines(record_, 1), "msiexec [/i] [a.msi]\n");
    EXPECT_GT(Open("MSIEXEC"), 32);
    EXPECT_EQ(qvutest::WaitForLines(record_, 2), "msiexec [/i] [a.msi]\nmsiexec\n");
    EXPECT_GT(Open("tool", "x"), 32);
    EXPECT_EQ(qvutest::WaitForLines(record_, 3), "msiexec [/i] [a.msi]\nmsiexec\nTool.exe [x]\n");
}

TEST_F(ShellExecute, PassesParametersByWindowsQuotingRules) {
    qvutest::WriteRecordingScript(bin_ / "msiexec", record_);
    const std::string first =
        "[/i] [C:\\Data\\Update\\Quorvane.msi] [/L*v] [C:\\Logs\\Update (1).log] [/qb+]\n";
    EXPECT_GT(Open("MsiExec.exe", "/i \"C:\\Data\\Update\\Quorvane.msi\" /L*v "
                                  "\"C:\\Logs\\Update (1).log\" /qb+"),
              32);
    // The programs run on their own: the second starts once the first wrote.
    EXPECT_EQ(qvutest::WaitForLines(record_, 1), first);
    EXPECT_GT(Open("msiexec", "a\\\"b \"c\\\\\" f\\\\g \"\""), 32);
    EXPECT_EQ(qvutest::WaitForLines(record_, 2), first + "[a\"b] [c\\] [f\\\\g] []\n");
}

TEST_F(ShellExecute, StartsProgramPathsInTheGivenFolder) {
    qvutest::WriteScript(driveC_ / "Programs" / "Setup", "pwd >> '" + record_.string() + "'\n");
    fs::create_directories(driveC_ / "Work");
    // The ".exe" of a Windows program name is optional here.
    EXPECT_GT(Open("C:\\programs\\Setup.exe", nullptr, "C:\\Work"), 32);
    EXPECT_EQ(qvutest::WaitForLines(record_, 1), (driveC_ / "Work").string() + "\n");
}

TEST_F(ShellExecute, AnswersWhyAProgramCannotStart) {
    qvutest::WriteFile(driveC_ / "Programs" / "readme.txt", "text");
    qvutest::WriteFile(driveC_ / "Programs" / "broken.exe", "no program");
    fs::permissions(driveC_ / "Programs" / "broken.exe", fs::perms::owner_all);
    qvutest::WriteScript(driveC_ / "Programs" / "ok.exe", "");
    EXPECT_EQ(Open("MsiExec.exe"), SE_ERR_FNF);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open("C:\\Programs\\missing.exe"), SE_ERR_FNF);
    EXPECT_EQ(Open("C:\\Missing\\setup.exe"), SE_ERR_PNF);
    EXPECT_EQ(Open("D:\\setup.exe"), SE_ERR_PNF);
    EXPECT_EQ(Open("C:\\Programs\\readme.txt"), SE_ERR_ACCESSDENIED);
    EXPECT_EQ(Open("C:\\Programs"), SE_ERR_ACCESSDENIED);
    EXPECT_EQ(Open("C:\\Programs\\broken.exe"), static_cast<int>(ERROR_BAD_FORMAT));
    EXPECT_EQ(Open("C:\\Programs\\ok.exe", nullptr, "C:\\Missing"), SE_ERR_PNF);
    EXPECT_EQ(
        Result(ShellExecuteA(nullptr, "print", "C:\\Programs\\ok.exe", nullptr, nullptr, SW_SHOW)),
        SE_ERR_NOASSOC);
    EXPECT_EQ(Open(""), SE_ERR_FNF);
}

TEST_F(ShellExecute, ChildRunsDetachedAndLeavesNoZombie) {
    qvutest::WriteScript(bin_ / "slow",
                         "/bin/sleep 1\nprintf 'done\\n' >> '" + record_.string() + "'\n");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_GT(Open("slow"), 32);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(800));
    // Neither the started program nor a process between is a child of ours.
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    EXPECT_EQ(qvutest::ReadFile(record_), "");
    EXPECT_EQ(qvutest::WaitForLines(record_, 1), "done\n");
}

TEST_F(ShellExecute, ChildInheritsNoDescriptorButStandardOnes) {
    const int inheritable = open(record_.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(inheritable, 3);
    const std::string fd = std::to_string(inheritable);
    qvutest::WriteScript(bin_ / "probe", "[ -e /proc/self/fd/" + fd +
                                             " ] && r=open || r=closed\n"
                                             "[ -e /proc/self/fd/2 ] && r=\"$r stderr\"\n"
                                             "printf '%s\\n' \"$r\" >> '" +
                                             record_.string() + "'\n");
    EXPECT_GT(Open("probe"), 32);
    EXPECT_EQ(qvutest::WaitForLines(record_, 1), "closed stderr\n");
    close(inheritable);
}

TEST_F(ShellExecute, OpensWebAddressesInTheDefaultBrowser) {
    EXPECT_EQ(
        Result(ShellExecuteA(nullptr, nullptr, "https://example.com/", nullptr, nullptr, SW_SHOW)),
        SE_ERR_NOASSOC);
    EXPECT_EQ(GetLastError(), ERROR_NO_ASSOCIATION);
    qvutest::WriteRecordingScript(bin_ / "xdg-open", record_);
    EXPECT_GT(Result(ShellExecuteA(nullptr, nullptr, "https://example.com/a b?c=\"1\"", nullptr,
                                   nullptr, SW_SHOW)),
              32);
    EXPECT_GT(Open("HTTP://example.com/"), 32);
    EXPECT_EQ(qvutest::WaitForLines(record_, 2),
              "[https://example.com/a b?c=\"1\"]\n[HTTP://example.com/]\n");
}

} // namespace
