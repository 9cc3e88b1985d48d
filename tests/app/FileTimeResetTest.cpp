#include "app/InstallerHandOff.h"

#include "tests/support/ForkedChild.h"
#include "tests/support/OtherAccount.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Times {
    statx_timestamp created{};
    statx_timestamp accessed{};
    statx_timestamp written{};
};

bool ReadTimes(const fs::path& file, Times& times) {
    struct statx details;
    if (statx(AT_FDCWD, file.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &details) != 0 ||
        !(details.stx_mask & STATX_BTIME))
        return false;
    times = {details.stx_btime, details.stx_atime, details.stx_mtime};
    return true;
}

void SetTimes(const fs::path& file, timespec accessed, timespec written) {
    const timespec times[2] = {accessed, written};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

class FileTimeReset : public testing::Test {
protected:
    void SetUp() override {
        Times probe;
        qvutest::WriteFile(data_ / "probe", "");
        if (!ReadTimes(data_ / "probe", probe))
            GTEST_SKIP() << "the file system keeps no creation times: nothing to reset to";
    }

    // A file created now, with its times set relative to its creation.
    Times MakeFile(const fs::path& file, std::int64_t writtenAfter, long writtenNanoseconds) {
        qvutest::WriteFile(file, "data");
        Times times;
        if (!ReadTimes(file, times))
            return times;
        SetTimes(file, {times.created.tv_sec + 5, 987654321},
                 {times.created.tv_sec + writtenAfter, writtenNanoseconds});
        ReadTimes(file, times);
        return times;
    }

    qvutest::TempRoot root_;
    const fs::path data_ = root_.MapDrive('C') / "Olvin5" / "Data";
};

TEST_F(FileTimeReset, SetsModifiedFilesBackToTheirCreationTime) {
    const Times modified = MakeFile(data_ / "a.dat", 100, 0);
    const Times deep = MakeFile(data_ / "Sub" / "Deeper" / "b.dat", 3600, 5);
    // Same second as its creation: not modified, not touched (its fraction stays).
    const Times untouched = MakeFile(data_ / "c.dat", 0, 123456789);

    ResetModificationTimes("C:\\Olvin5\\Data\\");

    Times after;
    ASSERT_TRUE(ReadTimes(data_ / "a.dat", after));
    EXPECT_EQ(after.written.tv_sec, modified.created.tv_sec);
    EXPECT_EQ(after.written.tv_nsec, 0u);
    EXPECT_EQ(after.accessed.tv_sec, modified.accessed.tv_sec);
    EXPECT_EQ(after.accessed.tv_nsec, 0u); // written back at one-second resolution
    ASSERT_TRUE(ReadTimes(data_ / "Sub" / "Deeper" / "b.dat", after));
    EXPECT_EQ(after.written.tv_sec, deep.created.tv_sec);
    ASSERT_TRUE(ReadTimes(data_ / "c.dat", after));
    EXPECT_EQ(after.written.tv_nsec, untouched.written.tv_nsec);
    EXPECT_EQ(after.accessed.tv_nsec, 987654321u);
}

TEST_F(FileTimeReset, SkipsFilesWhoseTimesCannotBeWritten) {
    const Times locked = MakeFile(data_ / "a-readonly.dat", 100, 0);
    fs::permissions(data_ / "a-readonly.dat", fs::perms::owner_read);
    // Another account's file is its own: opened for writing by nobody else.
    const Times others = MakeFile(data_ / "a-others.dat", 100, 0);
    const bool othersOwn = chown((data_ / "a-others.dat").c_str(), qvutest::kOtherAccount,
                                 qvutest::kOtherAccount) == 0;
    ASSERT_EQ(mkfifo((data_ / "a-pipe.dat").c_str(), 0666), 0);
    Times pipe;
    ASSERT_TRUE(ReadTimes(data_ / "a-pipe.dat", pipe));
    SetTimes(data_ / "a-pipe.dat", {pipe.created.tv_sec, 0}, {pipe.created.tv_sec + 100, 0});
    const Times later = MakeFile(data_ / "b.dat", 100, 0);

    // In a child: a reset that waits for the pipe fails the test instead of stopping it.
    qvutest::ChildProcess reset([](const qvutest::ChildProcess::Channel& channel) {
        ResetModificationTimes("C:\\Olvin5\\Data\\");
        ResetModificationTimes("C:\\Olvin5\\Missing\\");
        channel.Send('o');
    });
    ASSERT_EQ(reset.Talk().Receive(5000), 'o') << "the reset waited";

    Times after;
    ASSERT_TRUE(ReadTimes(data_ / "a-readonly.dat", after));
    EXPECT_EQ(after.written.tv_sec, locked.written.tv_sec);
    ASSERT_TRUE(ReadTimes(data_ / "a-others.dat", after));
    if (othersOwn) {
        EXPECT_EQ(after.written.tv_sec, others.written.tv_sec);
    }
    ASSERT_TRUE(ReadTimes(data_ / "b.dat", after));
    EXPECT_EQ(after.written.tv_sec, later.created.tv_sec);
}

TEST_F(FileTimeReset, LeavesLinksAndTheirTargetsAlone) {
    const Times outside = MakeFile(root_.Folder() / "outside.dat", 100, 0);
    const Times inside = MakeFile(data_ / "Sub" / "a.dat", 100, 0);
    fs::create_directory_symlink(data_, data_ / "Sub" / "loop");
    fs::create_symlink(root_.Folder() / "outside.dat", data_ / "outside.dat");

    ResetModificationTimes("C:\\Olvin5\\Data\\");

    Times after;
    ASSERT_TRUE(ReadTimes(root_.Folder() / "outside.dat", after));
    EXPECT_EQ(after.written.tv_sec, outside.written.tv_sec);
    ASSERT_TRUE(ReadTimes(data_ / "Sub" / "a.dat", after));
    EXPECT_EQ(after.written.tv_sec, inside.created.tv_sec);
}

} // namespace
