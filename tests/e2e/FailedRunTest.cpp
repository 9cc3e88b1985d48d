#include "platform/files.h"
#include "platform/handles.h"
#include "tests/e2e/UpdateMachine.h"

namespace {

namespace fs = std::filesystem;
using qvutest::ReadFile;

class FailedRunTest : public qvutest::UpdateMachineTest {
protected:
    // The run ended without the installer and without a question left open.
    void ExpectNoInstaller(const qvutest::ProgramRun& run) {
        EXPECT_FALSE(run.timedOut) << run.output;
        EXPECT_EQ(InstallerRecord(300), "");
        const fs::path install = OnDrive(kInstallationFolder);
        EXPECT_TRUE(!fs::exists(install) || fs::exists(install / "QVUninstall.ini"))
            << "the product was prepared for an installation that never came";
    }
};

TEST_F(FailedRunTest, MissingDescriptionFileIsReportedAndEndsTheRun) {
    InstallOlvin5();
    const qvutest::ProgramRun run = RunUpdate({}, "");
    ExpectNoInstaller(run);
    EXPECT_EQ(run.exitStatus, qvutest::kRefused) << run.output << run.errors;
    EXPECT_NE(run.output.find("Update Version: Update File Not Found!\n"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("[QVUUpdate] Quorvane encountered an error while trying to access "
                              "the download site. Please try again later!\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("Type start"), std::string::npos) << run.output;
    ExpectFailureLogged("Quorvane encountered an error while trying to access the download site. "
                        "Please try again later!");
}

TEST_F(FailedRunTest, WrongFormatVersionQuotesBothVersions) {
    InstallOlvin5();
    ServeDescription("VersionLong=5.1.0.0\r\n", "3.0");
    const qvutest::ProgramRun run = RunUpdate({}, "");
    ExpectNoInstaller(run);
    EXPECT_EQ(run.exitStatus, qvutest::kRefused) << run.output << run.errors;
    EXPECT_NE(run.output.find("[QVUUpdate] The version of the update program 3.1 is not the "
                              "prerequisite version for the current update file 3.0.\n"
                              "The latest update program is available on our website.\n"),
              std::string::npos)
        << run.output;
}

TEST_F(FailedRunTest, NewerInstalledVersionIsNotReplaced) {
    InstallOlvin5("5,2,0,1");
    ServePackage(1000);
    const qvutest::ProgramRun run = RunUpdate({"/autostart"}, "");
    ExpectNoInstaller(run);
    EXPECT_EQ(run.exitStatus, qvutest::kRefused) << run.output << run.errors;
    EXPECT_NE(run.output.find("[QVUUpdate] The currently installed version 5.2.0.1 is newer than "
                              "version 5.1.0.0 available for download.\n\nUpdate not possible!\n"),
              std::string::npos)
        << run.output;
    EXPECT_FALSE(fs::exists(OnDrive(kUpdateFolder) / "Quorvane.msi"));
    ExpectFailureLogged("The currently installed version 5.2.0.1 is newer than version 5.1.0.0 "
                        "available for download.\n\nUpdate not possible!");
}

TEST_F(FailedRunTest, CutDownloadIsReportedAndTheRunWaitsForStartAgain) {
    InstallOlvin5();
    const auto cutting = ServePackageBadly(100000, {"--cut-after", "20000"});

    // Start, then the input ends at the second Start prompt: Cancel.
    const qvutest::ProgramRun run = RunUpdate({}, "start\n");
    ExpectNoInstaller(run);
    EXPECT_EQ(run.exitStatus, qvutest::kRefused) << run.output << run.errors;
    const std::string report = "[QVUUpdate] An error occurred while downloading the update file. "
                               "Please try again later!\n";
    const std::size_t reported = run.output.find(report);
    ASSERT_NE(reported, std::string::npos) << run.output;
    EXPECT_NE(run.output.find("[start]: cancel (end of input)\n", reported), std::string::npos)
        << run.output;
    EXPECT_EQ(fs::file_size(OnDrive(kUpdateFolder) / "Quorvane.msi"), 20000u);
    ExpectFailureLogged(report.substr(12, report.size() - 13));
}

TEST_F(FailedRunTest, PackageHeldByAnotherProcessEndsTheRun) {
    InstallOlvin5();
    ServePackage(30000);
    const std::string package = std::string(kUpdateFolder) + "Quorvane.msi";
    qvutest::WriteFile(OnDrive(package), "an older, incomplete package");
    // Another program has the package open and lets nobody else in.
    const HANDLE held = CreateFileA(package.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    const qvutest::ProgramRun run = RunUpdate({"/autostart"}, "");
    CloseHandle(held);
    ExpectNoInstaller(run);
    EXPECT_EQ(run.exitStatus, qvutest::kRefused) << run.output << run.errors;
    EXPECT_NE(run.output.find("[QVUUpdate] Update is not possible at the moment!\n"
                              "Download is already in progress.\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(ReadFile(OnDrive(package)), "an older, incomplete package");
}

TEST_F(FailedRunTest, NoProductInstalledEndsAtOnce) {
    ServePackage(1000);
    const qvutest::ProgramRun run = RunUpdate({}, "");
    ExpectNoInstaller(run);
    EXPECT_EQ(run.exitStatus, qvutest::kRefused) << run.output << run.errors;
    EXPECT_NE(run.output.find("[QVUUpdate] Quorvane is not installed on this system.\n"),
              std::string::npos)
        << run.output;
}

} // namespace

namespace {

using qvutest::UpdateMachineTest;

class UnreachableServerTest : public UpdateMachineTest {};

TEST_F(UnreachableServerTest, ConnectionErrorLeavesOnlyCancelAndEndsAsAFailure) {
    InstallOlvin5();
    ServePackage(1000);
    const std::string nowhere = "http://127.0.0.1:1";
    const qvutest::ProgramRun run =
        RunUpdate({"/autostart"}, "start\n", {{"QVU_UPDATE_SERVER", nowhere}});
    EXPECT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitStatus, qvutest::kRefused) << run.output << run.errors;
    EXPECT_NE(run.output.find("[QVUUpdate] A connection with the server could not be established"),
              std::string::npos)
        << run.output;
    // Start cannot be given: "start" is no answer, the end of input cancels.
    EXPECT_NE(run.output.find("The update cannot go on. Type cancel to end [cancel]: start\n"
                              "\"start\" is no answer here.\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("[cancel]: cancel (end of input)\n"), std::string::npos)
        << run.output;
    EXPECT_EQ(InstallerRecord(300), "");
}

} // namespace
