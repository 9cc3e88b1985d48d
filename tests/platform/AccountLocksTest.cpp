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
#include <functional>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <utility>
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

TEST_F(AccountLocksTest, LockFolderTakenByAnotherAccountIsTakenBackByRoot) {
    const fs::path taken = locks / "uid-0";
    const fs::path theirs = locks / "theirs";
    // What the other account can put in root's place: a folder of its own
    // holding a link to root's file, a link to a folder of its own, a file.
    const std::pair<const char*, std::function<bool()>> takes[] = {
        {"folder",
         [&] {
             return mkdir(taken.c_str(), 0777) == 0 && chmod(taken.c_str(), 0777) == 0 &&
                    symlink(secret.c_str(), (taken / "mutex-QVUU_folder").c_str()) == 0;
         }},
        {"link",
         [&] {
             return mkdir(theirs.c_str(), 0777) == 0 && symlink(theirs.c_str(), taken.c_str()) == 0;
         }},
        {"file", [&] {
             const int fd = open(taken.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
             return fd >= 0 && close(fd) == 0;
         }}};
    for (const auto& [kind, take] : takes) {
        SCOPED_TRACE(kind);
        fs::remove_all(taken);
        fs::remove_all(theirs);
        qvutest::OtherAccountProcess squatter(take);
        if (squatter.Unavailable())
            GTEST_SKIP() << "cannot become another account";
        ASSERT_TRUE(squatter.Done());

        const std::string name = std::string("QVUU_") + kind;
        HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
        EXPECT_NE(mutex, nullptr) << GetLastError();
        CloseHandle(mutex);
        struct stat st {};
        ASSERT_EQ(lstat(taken.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_uid, 0u);
        EXPECT_EQ(st.st_mode & 07777, 0700u);
        EXPECT_EQ(qvutest::ReadFile(secret), "root's own");
        EXPECT_EQ(fs::status(secret).permissions(), kOwnerOnly);
    }
}

} // namespace
