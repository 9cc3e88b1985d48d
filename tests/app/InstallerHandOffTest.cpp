#include "app/InstallerHandOff.h"

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ShellStandIns.h"
#include "tests/support/TempRoot.h"

#include "platform/files.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

TEST(InstallerParameters, QuotePackageAndLogWithSingleBlanks) {
    EXPECT_EQ(InstallerParameters("C:\\Data\\Update\\", "Quorvane.msi",
                                  "C:\\Logs\\QVUUpdate(2026-12-09).log"),
              "/i \"C:\\Data\\Update\\Quorvane.msi\" /L*v \"C:\\Logs\\QVUUpdate(2026-12-09).log\" "
              "/qb+");
    EXPECT_EQ(InstallerParameters("C:\\Data\\Update\\", "Quorvane.msi", ""),
              "/i \"C:\\Data\\Update\\Quorvane.msi\" /qb+");
}

// The installer (qvu-msiexec as "msiexec") and the auxiliary programs are
// stand-ins that record their starts.
class InstallerStart : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(bin_);
        fs::create_symlink(qvutest::ProgramPath("qvu-msiexec"), bin_ / "msiexec");
        environment_.Set("PATH", bin_.string());
        environment_.Set("QVU_INSTALLER_RECORD", record_.string());
        qvutest::WriteFile(driveC_ / "Data" / "Update" / "Quorvane.msi", "package");
    }

    void StartInstallerWithoutLog() {
        StartInstaller(InstallerParameters("C:\\Data\\Update\\", "Quorvane.msi", ""));
    }

    qvutest::TempRoot root_;
    qvutest::ScopedEnvironment environment_;
    const fs::path driveC_ = root_.MapDrive('C');
    const fs::path bin_ = root_.Folder() / "bin";
    const fs::path record_ = root_.Folder() / "record.txt";
    const fs::path installation_ = driveC_ / "Program Files" / "Olvin5";
};

TEST_F(InstallerStart, StartsMsiExecWithThePackage) {
    qvutest::WriteFile(driveC_ / "Logs" / "QVUUpdate(2026-12-09).log", "");
    StartInstaller(InstallerParameters("C:\\Data\\Update\\", "Quorvane.msi",
                                       "C:\\Logs\\QVUUpdate(2026-12-09).log"));
    EXPECT_EQ(qvutest::WaitForLines(record_, 1), "[/i] [C:\\Data\\Update\\Quorvane.msi] [/L*v] "
                                                 "[C:\\Logs\\QVUUpdate(2026-12-09).log] [/qb+]\n");
}

TEST_F(InstallerStart, StartsOnlyTheAuxiliaryProgramsThatExist) {
    fs::create_directories(installation_);
    StartAuxiliaryPrograms("C:\\Program Files\\Olvin5\\");
    StartInstallerWithoutLog();
    // The installer's line comes alone: no auxiliary program was started before it.
    EXPECT_EQ(qvutest::WaitForLines(record_, 1), "[/i] [C:\\Data\\Update\\Quorvane.msi] [/qb+]\n");

    fs::remove(record_);
    qvutest::WriteRecordingScript(installation_ / "VORAradodU.exe", record_, "VORAradodU.exe");
    StartAuxiliaryPrograms("C:\\Program Files\\Olvin5\\");
    EXPECT_EQ(qvutest::WaitForLines(record_, 1), "VORAradodU.exe [-remove]\n");
    qvutest::WriteRecordingScript(installation_ / "VORAradod32.exe", record_, "VORAradod32.exe");
    fs::remove(record_);
    StartAuxiliaryPrograms("C:\\Program Files\\Olvin5\\");
    const std::string both = qvutest::WaitForLines(record_, 2);
    EXPECT_NE(both.find("VORAradodU.exe [-remove]\n"), std::string::npos) << both;
    EXPECT_NE(both.find("VORAradod32.exe [-remove]\n"), std::string::npos) << both;
}

TEST_F(InstallerStart, InstallerThatCannotStartSaysWhy) {
    fs::remove(bin_ / "msiexec");
    EXPECT_EQ(StartInstaller(InstallerParameters("C:\\Data\\Update\\", "Quorvane.msi", "")),
              "MsiExec.exe could not be started: the program was not found");
    // An executable file of the name that is no program.
    qvutest::WriteFile(bin_ / "msiexec", "not a program\n");
    fs::permissions(bin_ / "msiexec", fs::perms::owner_all);
    EXPECT_EQ(StartInstaller(InstallerParameters("C:\\Data\\Update\\", "Quorvane.msi", "")),
              "MsiExec.exe could not be started: the file is no program this system can run");
    EXPECT_FALSE(fs::exists(record_));
}

// Without a full installation folder every relative name would be looked up
// in the process's current folder: nothing there is run, removed or touched.
TEST_F(InstallerStart, InstallationFolderThatIsNoFullPathPreparesNothing) {
    const fs::path current = driveC_ / "Somewhere";
    const fs::path victim = driveC_ / "victim.txt";
    qvutest::WriteFile(victim, "keep me");
    qvutest::WriteFile(current / "QVUninstall.ini", "C:\\victim.txt\r\n");
    qvutest::WriteRecordingScript(current / "VORAradodU.exe", record_, "VORAradodU.exe");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\Somewhere"));
    for (const char* folder : {"", "Somewhere\\", ".\\"}) {
        PrepareInstalledProduct(folder, "C:\\Quorvane\\Olvin5\\");
        EXPECT_TRUE(fs::exists(victim)) << folder;
        EXPECT_TRUE(fs::exists(current / "QVUninstall.ini")) << folder;
    }
    // The same folder named in full is the product's.
    PrepareInstalledProduct("C:\\Somewhere\\", "C:\\Quorvane\\Olvin5\\");
    EXPECT_FALSE(fs::exists(victim));
    EXPECT_EQ(qvutest::WaitForLines(record_, 1), "VORAradodU.exe [-remove]\n");
}

} // namespace
