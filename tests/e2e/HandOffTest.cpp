#include "tests/e2e/UpdateMachine.h"

namespace {

namespace fs = std::filesystem;
using qvutest::ReadFile;

class HandOffTest : public qvutest::UpdateMachineTest {};

// A product recorded with neither an installation folder nor a Base in its
// settings file: the hand-off must not take the current folder for it.
TEST_F(HandOffTest, ProductWithoutInstallationFolderLeavesTheCurrentFolderAlone) {
    RecordProduct("Quorvane Olvin\\5.0", kSettingsFolder);
    ServePackage(20000);
    const fs::path current = OnDrive("C:\\Work\\");
    qvutest::WriteFile(OnDrive("C:\\precious.txt"), "keep me");
    qvutest::WriteFile(current / "QVUninstall.ini", "C:\\precious.txt\r\n");
    const fs::path previous = fs::current_path();
    fs::current_path(current);
    const qvutest::ProgramRun run = RunUpdate({"/autostart"}, "");
    fs::current_path(previous);

    EXPECT_EQ(run.exitStatus, qvutest::kInstallerStarted) << run.output << run.errors;
    EXPECT_NE(InstallerRecord(), "");
    EXPECT_EQ(ReadFile(OnDrive("C:\\precious.txt")), "keep me");
    EXPECT_TRUE(fs::exists(current / "QVUninstall.ini"));
}

TEST_F(HandOffTest, InstallerThatCannotBeStartedEndsTheRunAsAFailure) {
    InstallOlvin5();
    ServePackage(20000);
    fs::remove(standIns / "msiexec");
    const qvutest::ProgramRun run = RunUpdate({"/autostart"}, "");

    EXPECT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitStatus, qvutest::kRefused) << run.output << run.errors;
    EXPECT_EQ(run.errors,
              "QVUUpdate: MsiExec.exe could not be started: the program was not found\n");
    // The dialog went through the whole hand-off all the same.
    EXPECT_FALSE(fs::exists(OnDrive(kInstallationFolder) / "QVUninstall.ini"));
    EXPECT_NE(ReadFile(OnDrive(kUpdateFolder) / TodaysLogName()), "");
    ExpectFailureLogged("MsiExec.exe could not be started: the program was not found");
}

} // namespace
