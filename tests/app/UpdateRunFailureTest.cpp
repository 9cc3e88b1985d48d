// Update runs that end without an installation, or return to Start: every
// refusal and failure with the message the user sees.
#include "base/KxString.h"
#include "platform/dialog_controls.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/time.h"
#include "products/SystemIdentification.h"
#include "tests/support/UpdateRunFixture.h"
#include "tests/support/VersionTestDll.h"
#include "update/SelfCheck.h"
#include "update/UpdateLog.h"

#include <algorithm>

namespace {

namespace fs = std::filesystem;
using qvutest::PackageBytes;
using qvutest::WriteFile;

constexpr const char* kPackage = "C:\\Quorvane\\Olvin5\\Update\\olvin5.msi";

class UpdateRunFailureTest : public qvutest::UpdateRunTest {
protected:
    std::string Formatted(const char* itemId, const char* first, const char* second = "") const {
        KxString text;
        text.Format(Text(itemId).c_str(), first, second);
        return static_cast<const char*>(text);
    }

    void ExpectOnlyBox(const std::string& text, UINT type) const {
        ASSERT_EQ(frontEnd.MessageBoxes().size(), 1u);
        EXPECT_EQ(frontEnd.MessageBoxes()[0].text, text);
        EXPECT_EQ(frontEnd.MessageBoxes()[0].caption, "QVUUpdate");
        EXPECT_EQ(frontEnd.MessageBoxes()[0].type, type);
    }

    bool StartWasOffered() const { return !frontEnd.EventsStartingWith("enable 1").empty(); }

    const std::string bytes = PackageBytes(20000);
};

TEST_F(UpdateRunFailureTest, NoInstalledProductIsTheOnlyMessage) {
    EXPECT_EQ(Run("/autostart "), RunOutcome::Refused);
    ExpectOnlyBox(Text("ERROR_NOTINSTALLED"), MB_ICONERROR);
    EXPECT_FALSE(StartWasOffered());
}

TEST_F(UpdateRunFailureTest, ANewerInstalledVersionNamesBothVersionsAndEnds) {
    InstallOlvin5("5.3.0.0");
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    EXPECT_EQ(Run(), RunOutcome::Refused);
    ExpectOnlyBox(Formatted("ERROR_NEWERVERSIONINSTALLED", "5.3.0.0", "5.2.0.7"),
                  MB_ICONINFORMATION);
    EXPECT_FALSE(StartWasOffered());
}

TEST_F(UpdateRunFailureTest, Windows7IsRefusedByNameAndWindows8Passes) {
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    const fs::path system = root.Folder() / "system";
    qvutest::MakeVersionDll(system / "Kernel32.dll", "6.1.7601.17514");
    environment.Set("QVU_SYSTEM_DIR", system.string());

    EXPECT_EQ(Run(), RunOutcome::Refused);
    ExpectOnlyBox(Formatted("ERROR_UNSUPPORTED_WINVER", DescribeOperatingSystem().c_str()),
                  MB_ICONINFORMATION);
    EXPECT_NE(frontEnd.MessageBoxes()[0].text.find("Windows 7"), std::string::npos);

    qvutest::MakeVersionDll(system / "Kernel32.dll", "6.2.9200.16384");
    frontEnd = ScriptedFrontEnd();
    EXPECT_EQ(Run(), RunOutcome::EndedByUser);
    EXPECT_TRUE(StartWasOffered());
}

TEST_F(UpdateRunFailureTest, AMissingDescriptionEndsTheRun) {
    InstallOlvin5();
    EXPECT_EQ(Run("/autostart "), RunOutcome::Refused);
    ASSERT_EQ(frontEnd.MessageBoxes().size(), 1u);
    EXPECT_EQ(frontEnd.MessageBoxes()[0].caption, "QVUUpdate");
    EXPECT_FALSE(StartWasOffered());
}

TEST_F(UpdateRunFailureTest, AnUnreachableServerEndsTheCheckAndLeavesOnlyCancel) {
    InstallOlvin5();
    environment.Set("QVU_UPDATE_SERVER", qvutest::RefusedAddress(""));
    EXPECT_EQ(Run("/autostart "), RunOutcome::Refused);
    ASSERT_EQ(frontEnd.MessageBoxes().size(), 1u);
    EXPECT_EQ(frontEnd.MessageBoxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_FALSE(frontEnd.MessageBoxes()[0].text.empty());
    EXPECT_FALSE(StartWasOffered());
    // The run stopped before the page and the versions.
    EXPECT_TRUE(frontEnd.EventsStartingWith("text 1006").empty());
}

TEST_F(UpdateRunFailureTest, ANewerUpdateManagerSendsTheUserToTheProductsUpdatePage) {
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    WriteFile(served / "ZoZuzaviz" / "QVUUpdate.exe", "a different program");

    EXPECT_EQ(Run("/autostart "), RunOutcome::Refused);
    EXPECT_EQ(frontEnd.EventsStartingWith("browse"),
              std::vector<std::string>{"browse " + WebPageAddress(Text("BROWSER_OLVIN_UPDATE"))});
    EXPECT_EQ(OpenedPages(), "") << "the engine starts no browser itself";
    EXPECT_FALSE(StartWasOffered());
}

TEST_F(UpdateRunFailureTest, ANewerBetaUpdateManagerIsFetchedFromTheWebServer) {
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    WriteFile(served / "ZoZuzaviz" / "QVUUpdateBeta.exe", "a different program");
    frontEnd.AnswerMessageBox(IDYES);

    EXPECT_EQ(Run("", "C:\\Tools\\QVUUpdateBeta.exe"), RunOutcome::Refused);
    std::string base = server.Url("");
    EXPECT_EQ(frontEnd.EventsStartingWith("browse"),
              std::vector<std::string>{"browse " + base + "?File=ZoZuzaviz/QVUUpdateBeta.exe"});
}

TEST_F(UpdateRunFailureTest, AFailedDownloadIsReportedAndStartOfferedAgain) {
    InstallOlvin5();
    Describe("[Olvin5]\r\nVersionLong=5.2.0.7\r\nFileSize=20000\r\nMSI1=" +
             server.Url("/packages/missing.msi") + "\r\n");
    frontEnd.PressStart();
    frontEnd.PressStart();

    EXPECT_EQ(Run(), RunOutcome::Refused);

    ASSERT_EQ(frontEnd.MessageBoxes().size(), 2u);
    for (const auto& box : frontEnd.MessageBoxes()) {
        EXPECT_EQ(box.text, Text("ERROR_CORRUPTDOWNLOAD"));
        EXPECT_EQ(box.type, static_cast<UINT>(MB_ICONEXCLAMATION));
    }
    EXPECT_EQ(frontEnd.EventsStartingWith("hide 1004").size(), 3u); // initially, then twice
    EXPECT_EQ(frontEnd.EventsStartingWith("enable 1").size(), 3u);
    EXPECT_FALSE(fs::exists(installerRecord));
}

TEST_F(UpdateRunFailureTest, APackageThatDoesNotFitIsRemovedAndTheFullDiskNamed) {
    InstallOlvin5();
    const qvutest::FullDisk disk(OnDriveC("C:\\Quorvane\\Olvin5\\Update"), "64k");
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs is not permitted here";
    Describe(PackageSection("Olvin5", "5.2.0.7", PackageBytes(300000)));

    EXPECT_EQ(Run("/autostart "), RunOutcome::Refused);

    ExpectOnlyBox(Text("ERROR_CORRUPTDOWNLOAD"), MB_ICONEXCLAMATION);
    EXPECT_EQ(frontEnd.EventsStartingWith("note"),
              std::vector<std::string>{"note QVUUpdate: The disk is full: the update file does "
                                       "not fit into C:\\Quorvane\\Olvin5\\Update\\ and was "
                                       "removed."});
    EXPECT_FALSE(fs::exists(OnDriveC(kPackage)));
}

TEST_F(UpdateRunFailureTest, APackageHeldByAnotherProcessClosesWithoutTheCancelQuestion) {
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    WriteFile(OnDriveC(kPackage), "");
    const HANDLE held = CreateFileA(kPackage, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    frontEnd.PressStart();

    EXPECT_EQ(Run(), RunOutcome::Refused);
    CloseHandle(held);

    ExpectOnlyBox(Text("ERROR_DOWNLOAD_ALREADY_RUNNING"), MB_ICONEXCLAMATION);
}

TEST_F(UpdateRunFailureTest, ALogThatCannotBeCreatedAsksAndNoReturnsToStart) {
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::string log = UpdateLogPath("C:\\Quorvane\\Olvin5\\Update\\", now);
    fs::create_directories(OnDriveC(log)); // a folder where the log file should be
    frontEnd.PressStart();
    frontEnd.AnswerMessageBox(IDNO);

    EXPECT_EQ(Run(), RunOutcome::EndedByUser);

    ExpectOnlyBox(Formatted("ERROR_UNABLETOCREATELOG", log.c_str()), MB_YESNO | MB_ICONEXCLAMATION);
    EXPECT_EQ(frontEnd.EventsStartingWith("enable 1").size(), 2u);
    EXPECT_TRUE(fs::exists(OnDriveC(kPackage)));
    EXPECT_FALSE(fs::exists(installerRecord));
}

TEST_F(UpdateRunFailureTest, ALogThatCannotBeCreatedAnsweredYesInstallsWithoutALog) {
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    SYSTEMTIME now{};
    GetLocalTime(&now);
    fs::create_directories(OnDriveC(UpdateLogPath("C:\\Quorvane\\Olvin5\\Update\\", now)));
    frontEnd.AnswerMessageBox(IDYES);

    EXPECT_EQ(Run("/autostart "), RunOutcome::InstallerStarted);
    EXPECT_EQ(InstallerRecord(), std::string("[/i] [") + kPackage + "] [/qb+]\n");
}

} // namespace
