#include "tests/platform/ProfileTestSupport.h"
#include "tests/support/ForkedChild.h"
#include "tests/support/OtherAccount.h"

#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <random>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using qvutest::ProfileTest;
using namespace std::string_literals;

// Runs body in a child process and answers its exit code (-1 when it did not exit).
template <typename Body> int InChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

TEST_F(ProfileTest, WriteWithoutAFolderFailsWithPathNotFound) {
    qvutest::WriteFile(drive / "file.txt", "x");
    for (const char* file : {"Q:\\Test.ini", "C:\\Missing\\Test.ini", "C:\\file.txt\\Test.ini"}) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(Write("S", "k", "v", file)) << file;
        EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND) << file;
    }
    EXPECT_FALSE(Write("S", "k", "v", "C:\\")) << "a folder is no file";
}

TEST_F(ProfileTest, ReadOnlyFileIsLeftAlone) {
    GivenIni("[S]\r\nk=1\r\n");
    fs::permissions(IniFile(), fs::perms::owner_read | fs::perms::group_read);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(Write("S", "k", "2"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(IniText(), "[S]\r\nk=1\r\n");
    EXPECT_EQ(Value("S", "k"), "1") << "reading needs no write permission";
}

TEST_F(ProfileTest, ReadOnlyFolderLeavesTheFileIntactAndNoTemporary) {
    GivenIni("[S]\r\nk=1\r\n");
    // Writable file in a folder the writer may not change: only the
    // replacement itself can fail.
    fs::permissions(root.Folder(), fs::perms::owner_all | fs::perms::others_read |
                                       fs::perms::others_exec | fs::perms::group_read |
                                       fs::perms::group_exec);
    fs::permissions(IniFile(), fs::perms::all & ~(fs::perms::others_exec | fs::perms::group_exec |
                                                  fs::perms::owner_exec));
    fs::permissions(drive, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
    const int result = InChild([] {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            return 2;
        if (Write("S", "k", "2"))
            return 3;
        return GetLastError() == ERROR_ACCESS_DENIED ? 0 : 4;
    });
    if (result == 2)
        GTEST_SKIP() << "cannot drop privileges to test a read-only folder";
    EXPECT_EQ(result, 0);
    EXPECT_EQ(IniText(), "[S]\r\nk=1\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(drive), fs::directory_iterator()), 1);
}

TEST_F(ProfileTest, FolderKeptLockedByAnotherAccountFailsTheWriteInTime) {
    GivenIni("[S]\r\nk=1\r\n");
    qvutest::LetEveryonePass(drive, root.Folder());
    const std::string folder = drive.string();
    qvutest::OtherAccountProcess locker([&] {
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        return fd >= 0 && flock(fd, LOCK_EX) == 0;
    });
    if (locker.Unavailable())
        GTEST_SKIP() << "cannot become another account";
    ASSERT_TRUE(locker.Done());

    // In a child: a write that never ends fails the test instead of stopping it.
    qvutest::ChildProcess writer([](const qvutest::ChildProcess::Channel& channel) {
        const bool refused = !Write("S", "k", "2") && GetLastError() == ERROR_SHARING_VIOLATION;
        channel.Send(refused ? 'r' : 'w');
    });
    EXPECT_EQ(writer.Talk().Receive(15000), 'r');
    EXPECT_EQ(IniText(), "[S]\r\nk=1\r\n");
}

TEST_F(ProfileTest, TwoProcessesWritingOneFileLoseNothing) {
    const auto writer = [](int process) {
        return [process] {
            for (int i = 0; i < 200; ++i) {
                const std::string key = "p" + std::to_string(process) + "_" + std::to_string(i);
                if (!Write("Shared", key.c_str(), std::to_string(i).c_str()))
                    return 1;
            }
            return 0;
        };
    };
    const pid_t first = fork();
    if (first == 0)
        _exit(writer(1)());
    const int second = InChild(writer(2));
    int status = 0;
    ASSERT_EQ(waitpid(first, &status, 0), first);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(second, 0);
    for (int process = 1; process <= 2; ++process) {
        for (int i = 0; i < 200; ++i) {
            const std::string key = "p" + std::to_string(process) + "_" + std::to_string(i);
            ASSERT_EQ(Value("Shared", key.c_str()), std::to_string(i)) << key;
        }
    }
}

TEST_F(ProfileTest, NulBytesAreOrdinaryBytesAndEndAValueForTheCaller) {
    const std::string before = "[S]\nk=a\0b\nnext=2\n[T\0x]\nz=1\n"s;
    GivenIni(before);
    const auto cut = ReadValue("S", "k");
    EXPECT_EQ(cut.text, "a");
    EXPECT_EQ(cut.count, 1u);
    EXPECT_EQ(Value("S", "next"), "2");
    ASSERT_TRUE(Write("S", "added", "3"));
    EXPECT_EQ(IniText(), "[S]\nk=a\0b\nnext=2\nadded=3\n[T\0x]\nz=1\n"s);
}

TEST_F(ProfileTest, LongLinesAndLargeFilesAreReadWhole) {
    const std::string longValue(100000, 'v');
    GivenIni("[S]\r\nlong=" + longValue + "\r\nafter=1\r\n[Unclosed\r\nu=2");
    EXPECT_EQ(ReadValue("S", "long").count, 259u);
    std::string buffer(200000, '\0');
    EXPECT_EQ(GetPrivateProfileStringA("S", "long", "", buffer.data(), 200000, kIni), 100000u);
    EXPECT_EQ(Value("S", "after"), "1");
    EXPECT_EQ(Value("Unclosed", "u"), "2");

    std::string large;
    for (int section = 0; large.size() < 10 * 1024 * 1024; ++section) {
        large += "[Section" + std::to_string(section) + "]\r\n";
        for (int key = 0; key < 100; ++key)
            large += "Key" + std::to_string(key) + "=value of some length\r\n";
    }
    large += "[Last]\r\nk=end\r\n";
    GivenIni(large);
    EXPECT_EQ(Value("last", "K"), "end");
    ASSERT_TRUE(Write("Last", "k", "changed"));
    EXPECT_EQ(Value("Last", "k"), "changed");
    EXPECT_EQ(IniText().size(), large.size() + 4);
}

TEST_F(ProfileTest, RandomBytesNeverBreakReadingOrWriting) {
    std::mt19937 random(20240611);
    std::string noise(65536, '\0');
    for (char& c : noise)
        c = static_cast<char>(random() % 8 == 0 ? "[]=;\r\n\"'"[random() % 8] : random() % 256);
    GivenIni(noise);
    char buffer[64];
    GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer, kIni);
    GetPrivateProfileStringA("", nullptr, "", buffer, sizeof buffer, kIni);
    GetPrivateProfileIntA("", "", 0, kIni);
    ASSERT_TRUE(Write("Fresh", "k", "v"));
    EXPECT_EQ(Value("Fresh", "k"), "v");
    EXPECT_EQ(IniText().substr(0, noise.size()), noise) << "what was there stays";
}

} // namespace
