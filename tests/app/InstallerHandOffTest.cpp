#include "app/InstallerHandOff.h"

#include "tests/support/ScopedEnvironment.h"
#include "tests/support/ShellStandIns.h"
#include "tests/support/TempRoot.h"

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

} // namespace
