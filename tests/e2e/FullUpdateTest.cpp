#include "tests/e2e/UpdateMachine.h"

namespace {

namespace fs = std::filesystem;
using qvutest::Occurrences;
using qvutest::ReadFile;

class FullUpdateTest : public qvutest::UpdateMachineTest {
protected:
    std::string ExpectedRecord() const {
        return "[/i] [" + std::string(kUpdateFolder) + "Quorvane.msi] [/L*v] [" + kUpdateFolder +
               TodaysLogName() + "] [/qb+]\n";
    }
};

TEST_F(FullUpdateTest, StartAtThePromptDownloadsAndHandsThePackageToTheInstaller) {
    InstallOlvin5();
    const std::string package = ServePackage(300000);

    const qvutest::ProgramRun run = RunUpdate({}, "\n");
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitStatus, qvutest::kInstallerStarted) << run.output << run.errors;

    const std::string& out = run.output;
    EXPECT_EQ(out.find("Quorvane Zelvo Update, version 4.2.4\n"), 0u) << out;
    EXPECT_NE(out.find("Currently Installed: Quorvane Olvin 5.0.1.100 (Build 5.0.1.100)\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Web page: " + Url("/?URL=olvin5-versionhistory-en") + "\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Update Version: Initializing Internet Connection ...\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("Update Version: Quorvane Olvin 5.1 (Build 5.1.0.0)\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("Type start to update, or cancel to end [start]: start\n"),
              std::string::npos)
        << out;
    // Not a terminal: one line per tenth of the download, the last at 100 percent.
    EXPECT_GE(Occurrences(out, "Download: "), 5u) << out;
    EXPECT_LE(Occurrences(out, "Download: "), 11u) << out;
    EXPECT_NE(out.find("Download: 100.0% (0 s remaining)\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("[QVUUpdate]"), std::string::npos) << "no message box: " << out;

    EXPECT_EQ(InstallerRecord(), ExpectedRecord());
    EXPECT_EQ(ReadFile(OnDrive(kUpdateFolder) / "Quorvane.msi"), package);

    const std::string log = ReadFile(OnDrive(kUpdateFolder) / TodaysLogName());
    const std::string rule(60, '=');
    EXPECT_EQ(log.find(rule + "\r\nQuorvane Zelvo Update v4.2.4\r\nDate: "), 0u) << log;
    EXPECT_NE(
        log.find("\r\nCurrent Version: 5.0.1.100\r\nUpdate Version : 5.1.0.0\r\n" + rule + "\r\n"),
        std::string::npos)
        << log;

    // The product was prepared: the listed file went, the protected one and
    // the list's own protection stayed, the list itself is gone.
    const fs::path install = OnDrive(kInstallationFolder);
    EXPECT_FALSE(fs::exists(install / "old.dll"));
    EXPECT_FALSE(fs::exists(install / "Obsolete"));
    EXPECT_TRUE(fs::exists(install / "QVVer.dll"));
    EXPECT_FALSE(fs::exists(install / "QVUninstall.ini"));
    EXPECT_TRUE(fs::exists(install / "Data" / "Samples" / "sample.dat"));
    // The page is shown by the dialog's own view: no outside browser opened.
    EXPECT_FALSE(fs::exists(browserRecord));
    EXPECT_TRUE(fs::is_empty(OnDrive(kTraceLogFolder))) << "a run that succeeds does not log";
}

TEST_F(FullUpdateTest, AutostartNeedsNoInputAndShowsTheGivenPage) {
    InstallOlvin5();
    const std::string package = ServePackage(50000);

    const std::string page = Url("/pages/notes.html");
    const qvutest::ProgramRun run = RunUpdate({"/autostart", "/display=" + page}, "");
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitStatus, qvutest::kInstallerStarted) << run.output << run.errors;
    EXPECT_NE(run.output.find("Web page: " + page + "\n"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("Type start"), std::string::npos) << run.output;
    EXPECT_EQ(InstallerRecord(), ExpectedRecord());
    EXPECT_EQ(ReadFile(OnDrive(kUpdateFolder) / "Quorvane.msi"), package);
}

TEST_F(FullUpdateTest, KeptPackageIsInstalledWithoutDownloadingWhenAnsweredNo) {
    InstallOlvin5();
    const std::string package = ServePackage(40000);
    qvutest::WriteFile(OnDrive(kUpdateFolder) / "Quorvane.msi", package);
    // The server would now cut the package short: only the kept one can succeed.
    Serve("packages/Quorvane.msi", "cut");

    const qvutest::ProgramRun run = RunUpdate({}, "start\nNO\n");
    EXPECT_EQ(run.exitStatus, qvutest::kInstallerStarted) << run.output << run.errors;
    EXPECT_NE(run.output.find("[QVUUpdate] The latest version of the Windows Installer file has "
                              "already been downloaded."),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("Answer yes, no or cancel [yes]: no\n"), std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("Download: "), std::string::npos) << run.output;
    EXPECT_EQ(InstallerRecord(), ExpectedRecord());
    EXPECT_EQ(ReadFile(OnDrive(kUpdateFolder) / "Quorvane.msi"), package);
}

} // namespace
