// The update manager on a machine where something local works against it:
// another account with lock files of its own making, links put in the
// places of the files the run writes, paths that climb out of their drive, a
// permissive umask. The run writes only where it should, opens up nothing,
// and never waits or spins for ever.
#include "tests/e2e/UpdateMachine.h"
#include "tests/support/OtherAccount.h"

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

namespace fs = std::filesystem;
using qvutest::ReadFile;

constexpr fs::perms kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;
constexpr fs::perms kOthersWrite = fs::perms::group_write | fs::perms::others_write;

class LocalAccountTest : public qvutest::UpdateMachineTest {
protected:
    void SetUp() override {
        UpdateMachineTest::SetUp();
        if (IsSkipped())
            return;
        InstallOlvin5();
        package = ServePackage(30000);
        // A file of root's that no other account may read or change.
        victim = root.Folder() / "victim.txt";
        qvutest::WriteFile(victim, "precious");
        fs::permissions(victim, kOwnerOnly);
    }

    void ExpectVictimUntouched() const {
        EXPECT_TRUE(ReadFile(victim) == "precious") << "root's file was written";
        EXPECT_EQ(fs::status(victim).permissions(), kOwnerOnly) << "root's file was opened up";
    }

    fs::path UpdateFile(const std::string& name) const { return OnDrive(kUpdateFolder) / name; }
    // Today's trace log: the program id QVUU and the date of the update log's name.
    static std::string TodaysTraceLogName() { return "QVUU" + TodaysLogName().substr(9); }

    std::string package;
    fs::path victim;
};

// The name a lock of the file at path could have in the shared lock folder.
std::string LockName(const fs::path& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    char name[64];
    std::snprintf(name, sizeof name, "file-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return name;
}

TEST_F(LocalAccountTest, AnotherAccountsLockFilesNeitherOpenFilesUpNorStopTheRun) {
    // The lock folder as a machine has it: every account may add to it.
    const fs::path locks = root.Root() / "locks";
    fs::create_directories(locks);
    fs::permissions(locks, fs::perms::all | fs::perms::sticky_bit);
    qvutest::LetEveryonePass(locks, root.Folder());
    // A description kept from an earlier run is rewritten in place.
    qvutest::WriteFile(UpdateFile("QVU.ini"), "[QVU.ini]\r\nver=3.1\r\n");
    const fs::path linked = locks / LockName(UpdateFile("QVU.ini"));
    const fs::path held = locks / LockName(OnDrive(kInstallationFolder) / "QVUninstall.ini");
    const std::string target = victim.string();

    // The other account links one lock name to root's file and holds another.
    qvutest::OtherAccountProcess other([&] {
        struct flock everything {};
        everything.l_type = F_WRLCK;
        const int fd = open(held.c_str(), O_RDWR | O_CREAT, 0666);
        return symlink(target.c_str(), linked.c_str()) == 0 && fd >= 0 && fchmod(fd, 0666) == 0 &&
               fcntl(fd, F_OFD_SETLK, &everything) == 0;
    });
    if (other.Unavailable())
        GTEST_SKIP() << "cannot become another account";
    ASSERT_TRUE(other.Done());

    const qvutest::ProgramRun run = RunUpdate({"/autostart"}, "");
    EXPECT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitStatus, qvutest::kInstallerStarted) << run.output << run.errors;
    EXPECT_NE(InstallerRecord(), "");
    EXPECT_FALSE(fs::exists(OnDrive(kInstallationFolder) / "QVUninstall.ini"));
    ExpectVictimUntouched();
}

TEST_F(LocalAccountTest, LinksInThePlacesOfTheRunsFilesAreNotWrittenThrough) {
    const fs::path nowhere = root.Folder() / "nowhere.txt";
    // Each file the run writes in Update\, and how the run reports that it could not.
    const std::pair<std::string, std::string> files[] = {
        {"QVU.ini", "Update Version: Update File Not Found!\n"},
        {"Quorvane.msi", "[QVUUpdate] An error occurred while downloading the update file."},
        {TodaysLogName(), "[QVUUpdate] Unable to create/open log file:\n"}};
    for (const auto& [name, report] : files) {
        for (const fs::path& target : {victim, nowhere}) {
            SCOPED_TRACE(name + " -> " + target.string());
            fs::remove_all(OnDrive(kUpdateFolder));
            fs::create_directories(OnDrive(kUpdateFolder));
            fs::create_symlink(target, UpdateFile(name));

            const qvutest::ProgramRun run = RunUpdate({"/autostart"}, "");
            EXPECT_FALSE(run.timedOut) << run.output;
            EXPECT_NE(run.output.find(report), std::string::npos) << run.output;
            EXPECT_TRUE(fs::is_symlink(UpdateFile(name)));
            ExpectVictimUntouched();
            EXPECT_FALSE(fs::exists(nowhere));
        }
    }
}

TEST_F(LocalAccountTest, WhatTheRunCreatesIsWritableByItsOwnerAloneWhateverTheUmask) {
    const mode_t previous = umask(0);
    const qvutest::ProgramRun run = RunUpdate({"/autostart"}, "");
    umask(previous);
    ASSERT_EQ(run.exitStatus, qvutest::kInstallerStarted) << run.output << run.errors;
    for (const std::string& name :
         {std::string(), std::string("QVU.ini"), std::string("Quorvane.msi"), TodaysLogName()}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(fs::exists(UpdateFile(name)));
        EXPECT_EQ(fs::status(UpdateFile(name)).permissions() & kOthersWrite, fs::perms::none);
    }
}

TEST_F(LocalAccountTest, WhatAnotherAccountPutsInTheTraceLogsPlaceNeitherStopsNorReadsTheRun) {
    // The trace log's folder open to all, like /tmp; the run fails, so it
    // writes its trace log there.
    const fs::path logs = OnDrive(kTraceLogFolder);
    fs::permissions(logs, fs::perms::all | fs::perms::sticky_bit);
    qvutest::LetEveryonePass(logs, root.Folder());
    fs::remove(served / "QVU.ini");
    const std::string planted = (logs / TodaysTraceLogName()).string();
    const std::pair<const char*, std::function<bool()>> plants[] = {
        // A pipe it keeps full: a write into it would wait for ever.
        {"pipe",
         [&] {
             const int fd = mkfifo(planted.c_str(), 0666) == 0 && chmod(planted.c_str(), 0666) == 0
                                ? open(planted.c_str(), O_RDWR | O_NONBLOCK)
                                : -1;
             const std::string block(4096, 'x');
             while (fd >= 0 && write(fd, block.data(), block.size()) > 0) {
             }
             return fd >= 0 && errno == EAGAIN;
         }},
        {"file of its own", [&] {
             const int fd = open(planted.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
             return fd >= 0 && fchmod(fd, 0666) == 0 && write(fd, "theirs\n", 7) == 7 &&
                    close(fd) == 0;
         }}};
    for (const auto& [kind, plant] : plants) {
        SCOPED_TRACE(kind);
        fs::remove(planted);
        qvutest::OtherAccountProcess other(plant);
        if (other.Unavailable())
            GTEST_SKIP() << "cannot become another account";
        ASSERT_TRUE(other.Done());

        const qvutest::ProgramRun run = RunUpdate({}, "");
        EXPECT_FALSE(run.timedOut) << run.output;
        EXPECT_LT(run.seconds, 10) << run.output;
        EXPECT_EQ(run.exitStatus, qvutest::kRefused) << run.output << run.errors;
        EXPECT_NE(run.output.find(qvutest::kNotFound), std::string::npos) << run.output;
        struct stat st {};
        ASSERT_EQ(lstat(planted.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, qvutest::kOtherAccount);
        if (S_ISREG(st.st_mode)) {
            EXPECT_EQ(ReadFile(planted), "theirs\n") << "the run wrote into it";
        }
    }
}

TEST_F(LocalAccountTest, DotDotInTheProductsFilesStaysOnTheDrive) {
    // The log folder and the uninstall list both climb above drive C.
    qvutest::WriteFile(
        OnDrive(kSettingsFolder) / "Rered.ini",
        "[VAZuvedev_#_Locations]\r\nBase=" + std::string(kInstallationFolder) +
            "\r\n[VAZuvedev_#_Datapaths]\r\nNextActivePath=0\r\nPath0=" + kSettingsFolder + "\r\n");
    qvutest::WriteFile(OnDrive(kSettingsFolder) / "QVUD.ini",
                       "[VAZuvedev_#_Locations]\r\nLog=C:\\..\\..\\Logs\\\r\n");
    qvutest::WriteFile(OnDrive(kInstallationFolder) / "QVUninstall.ini",
                       "C:\\..\\victim.txt\r\nC:\\..\\Kept\\\r\nC:\\..\\Listed.dll\r\n");
    fs::create_directories(root.Folder() / "Kept");
    qvutest::WriteFile(driveC / "Listed.dll", "on the drive");
    qvutest::WriteFile(root.Folder() / "Listed.dll", "beside the drive");

    const qvutest::ProgramRun run = RunUpdate({"/autostart"}, "");
    EXPECT_EQ(run.exitStatus, qvutest::kInstallerStarted) << run.output << run.errors;
    EXPECT_NE(ReadFile(driveC / "Logs" / TodaysLogName()), "");
    EXPECT_FALSE(fs::exists(root.Folder() / "Logs"));
    EXPECT_FALSE(fs::exists(driveC / "Listed.dll")) << "C:\\..\\Listed.dll is C:\\Listed.dll";
    EXPECT_EQ(ReadFile(root.Folder() / "Listed.dll"), "beside the drive");
    EXPECT_TRUE(fs::is_directory(root.Folder() / "Kept"));
    ExpectVictimUntouched();
}

} // namespace
