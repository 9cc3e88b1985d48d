// What another account can do to the share modes and named mutexes of this
// one: no more than opening the file itself allows, as on Windows, and
// nothing that makes this account's opens and waits last for ever.
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/sync.h"
#include "tests/support/ForkedChild.h"
#include "tests/support/OtherAccount.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kSecret = "C:\\Secret\\Key.dat";
constexpr const char* kNotes = "C:\\Public\\Notes.txt";
constexpr const char* kMutex = "QVUU_LogLockingMutex";
constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;

class AccountLocksTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0)
            GTEST_SKIP() << "another account can only be taken by root";
        drive = root.MapDrive('C');
        secret = drive / "Secret" / "Key.dat";
        qvutest::WriteFile(secret, "root's own");
        fs::permissions(secret, kOwnerOnly);
        qvutest::WriteFile(drive / "Public" / "Notes.txt", "for all to read");
        // The lock folder as a machine has it: every account may add to it.
        locks = root.Root() / "locks";
        fs::create_directories(locks);
        fs::permissions(locks, fs::perms::all | fs::perms::sticky_bit);
        qvutest::LetEveryonePass(drive / "Public", root.Folder());
        qvutest::LetEveryonePass(locks, root.Folder());
    }

    // The names under which the lock folder could hold locks of the secret
    // file and of the mutex.
    std::vector<fs::path> LockNames() const {
        struct stat st {};
        stat(secret.c_str(), &st);
        char name[64];
        std::snprintf(name, sizeof name, "file-%llx-%llx",
                      static_cast<unsigned long long>(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino));
        return {locks / name, locks / (std::string("mutex-") + kMutex)};
    }

    qvutest::TempRoot root;
    fs::path drive, secret, locks;
};

// Runs this account's opens in a child, so that one that never ends fails
// the test instead of stopping it: 'o' when all went as on Windows.
char OpenSecretAndMutex() {
    qvutest::ChildProcess run([](const qvutest::ChildProcess::Channel& channel) {
        HANDLE file = CreateFileA(kSecret, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        HANDLE mutex = CreateMutexA(nullptr, FALSE, kMutex);
        const bool owned =
            mutex != nullptr && WaitForSingleObject(mutex, INFINITE) == WAIT_OBJECT_0;
        channel.Send(file != INVALID_HANDLE_VALUE && owned ? 'o' : 'f');
    });
    return run.Talk().Receive(10000);
}

TEST_F(AccountLocksTest, LinksPlantedInTheLockFolderLeadNowhere) {
    const std::vector<fs::path> names = LockNames();
    const std::string target = secret.string();
    qvutest::OtherAccountProcess planter([&] {
        for (const fs::path& name : names) {
            if (symlink(target.c_str(), name.c_str()) != 0)
                return false;
        }
        return true;
    });
    if (planter.Unavailable())
        GTEST_SKIP() << "cannot become another account";
    ASSERT_TRUE(planter.Done());

    EXPECT_EQ(OpenSecretAndMutex(), 'o');
    EXPECT_EQ(fs::status(secret).permissions(), kOwnerOnly) << "a root-only file was opened up";
    EXPECT_EQ(qvutest::ReadFile(secret), "root's own");
}

TEST_F(AccountLocksTest, LocksHeldInTheLockFolderKeepNobodyOut) {
    const std::vector<fs::path> names = LockNames();
    qvutest::OtherAccountProcess holder([&] {
        for (const fs::path& name : names) {
            const int fd = open(name.c_str(), O_RDWR | O_CREAT, 0666);
            struct flock everything {};
            everything.l_type = F_WRLCK;
            everything.l_whence = SEEK_SET;
            if (fd < 0 || fchmod(fd, 0666) != 0 || fcntl(fd, F_OFD_SETLK, &everything) != 0)
                return false;
        }
        return true;
    });
    if (holder.Unavailable())
        GTEST_SKIP() << "cannot become another account";
    ASSERT_TRUE(holder.Done());

    EXPECT_EQ(OpenSecretAndMutex(), 'o') << "an open or a wait never ended";
}

TEST_F(AccountLocksTest, AnAccountThatCanOpenAFileSharesItAsOnWindows) {
    qvutest::OtherAccountProcess reader([] {
        // Reads and lets others only read, as long as it lives.
        return CreateFileA(kNotes, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr) != INVALID_HANDLE_VALUE;
    });
    if (reader.Unavailable())
        GTEST_SKIP() << "cannot become another account";
    ASSERT_TRUE(reader.Done());

    HANDLE writer = CreateFileA(kNotes, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    HANDLE other = CreateFileA(kNotes, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(other, INVALID_HANDLE_VALUE);
    CloseHandle(other);
}

TEST_F(AccountLocksTest, AFileKeptBusyForEverIsRefusedInTime) {
    const std::string notes = (drive / "Public" / "Notes.txt").string();
    qvutest::OtherAccountProcess blocker([&] {
        const int fd = open(notes.c_str(), O_RDONLY);
        return fd >= 0 && flock(fd, LOCK_EX) == 0;
    });
    if (blocker.Unavailable())
        GTEST_SKIP() << "cannot become another account";
    ASSERT_TRUE(blocker.Done());

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CreateFileA(kNotes, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST_F(AccountLocksTest, LockFolderTakenByAnotherAccountIsRefused) {
    const fs::path taken = locks / "uid-0";
    qvutest::OtherAccountProcess squatter(
        [&] { return mkdir(taken.c_str(), 0777) == 0 && chmod(taken.c_str(), 0777) == 0; });
    if (squatter.Unavailable())
        GTEST_SKIP() << "cannot become another account";
    ASSERT_TRUE(squatter.Done());

    EXPECT_EQ(CreateMutexA(nullptr, FALSE, kMutex), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(fs::is_empty(taken));
}

} // namespace
