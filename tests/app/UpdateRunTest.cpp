// Whole update runs that end with the installer: the states of the run, the
// product choice and the reuse of a package already on disk.
#include "app/QVUUpdateApp.h"
#include "platform/strings.h"
#include "platform/time.h"
#include "tests/support/ShellStandIns.h"
#include "tests/support/UpdateRunFixture.h"
#include "update/SelfCheck.h"
#include "update/UpdateLog.h"

#include <algorithm>

namespace {

namespace fs = std::filesystem;
using qvutest::PackageBytes;
using qvutest::ReadFile;
using qvutest::WriteFile;

constexpr const char* kPackage = "C:\\Quorvane\\Olvin5\\Update\\olvin5.msi";

class UpdateRunTest : public qvutest::UpdateRunTest {
protected:
    // The installer's command for the Olvin 5 package with today's log.
    std::string ExpectedInstallerCall() const {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        const std::string log = UpdateLogPath("C:\\Quorvane\\Olvin5\\Update\\", now);
        return std::string("[/i] [") + kPackage + "] [/L*v] [" + log + "] [/qb+]\n";
    }

    bool HasEvent(const std::string& event) const {
        const auto& events = frontEnd.Events();
        return std::find(events.begin(), events.end(), event) != events.end();
    }

    // Index of the first event equal to event; the event count when absent.
    std::size_t IndexOf(const std::string& event) const {
        const auto& events = frontEnd.Events();
        return std::find(events.begin(), events.end(), event) - events.begin();
    }

    const std::string bytes = PackageBytes(50000);
};

TEST_F(UpdateRunTest, AutostartRunsFromTheCheckToTheInstallerWithoutAQuestion) {
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    // The product's uninstall list, data file and auxiliary program.
    WriteFile(OnDriveC("C:\\Program Files\\Olvin5\\old.txt"), "old");
    WriteFile(OnDriveC("C:\\Program Files\\Olvin5\\QVUninstall.ini"),
              "C:\\Program Files\\Olvin5\\old.txt\r\nC:\\Quorvane\\Olvin5\\Rered.ini\r\n");
    const fs::path auxiliaryRecord = root.Folder() / "auxiliary.txt";
    qvutest::WriteRecordingScript(OnDriveC("C:\\Program Files\\Olvin5\\VORAradodU.exe"),
                                  auxiliaryRecord);

    EXPECT_EQ(Run("/autostart "), RunOutcome::InstallerStarted);

    EXPECT_TRUE(frontEnd.MessageBoxes().empty());
    EXPECT_EQ(InstallerRecord(), ExpectedInstallerCall());
    EXPECT_EQ(ReadFile(OnDriveC(kPackage)), bytes);
    EXPECT_EQ(qvutest::WaitForLines(auxiliaryRecord, 1), "[-remove]\n");
    EXPECT_FALSE(fs::exists(OnDriveC("C:\\Program Files\\Olvin5\\old.txt")));
    EXPECT_FALSE(fs::exists(OnDriveC("C:\\Program Files\\Olvin5\\QVUninstall.ini")));
    EXPECT_TRUE(fs::exists(OnDriveC("C:\\Quorvane\\Olvin5\\Rered.ini")));

    const auto& events = frontEnd.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0], "caption " + Text("APP_HEADLINE"));
    EXPECT_TRUE(HasEvent("text 1009: 4.2.4"));
    EXPECT_TRUE(HasEvent("text 1006: " + WebPageAddress(Text("BROWSER_OLVIN5_VERSIONHISTORY"))));
    const std::string offered = frontEnd.EventsStartingWith("text 1003").back();
    EXPECT_NE(offered.find("5.2.0.7"), std::string::npos) << offered;
    EXPECT_TRUE(HasEvent("range 1004: 50000"));
    EXPECT_EQ(frontEnd.EventsStartingWith("position 1004").back(), "position 1004: 50000");
    // The check ran before the download, and Start was never offered.
    EXPECT_LT(IndexOf(offered), IndexOf("range 1004: 50000"));
    EXPECT_FALSE(HasEvent("enable 1"));
}

TEST_F(UpdateRunTest, WithoutAutostartTheRunWaitsForStart) {
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    frontEnd.PressStart();

    EXPECT_EQ(Run("/display=HTTP://Example.COM/Page.HTM"), RunOutcome::InstallerStarted);

    EXPECT_LT(IndexOf("enable 1"), IndexOf("press start"));
    EXPECT_LT(IndexOf("press start"), IndexOf("range 1004: 50000"));
    EXPECT_TRUE(HasEvent("text 1006: http://example.com/page.htm"));
    EXPECT_EQ(InstallerRecord(), ExpectedInstallerCall());
}

TEST_F(UpdateRunTest, EqualVersionsMayBeInstalledAgain) {
    InstallOlvin5("5.2.0.7");
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    frontEnd.PressStart();
    EXPECT_EQ(Run(), RunOutcome::InstallerStarted);
    EXPECT_TRUE(frontEnd.MessageBoxes().empty());
}

TEST_F(UpdateRunTest, SeveralProductsAskForOneAndThenWaitForStartDespiteAutostart) {
    InstallOlvin5();
    Install(Zetra5, "C:\\Quorvane\\Zetra5\\", "C:\\Program Files\\Zetra5\\", "5.0.0.1");
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes) +
             "[Zetra5]\r\nVersionLong=5.1.0.0\r\nVersionShort=5.1\r\n");
    frontEnd.ChooseEntry(1);

    EXPECT_EQ(Run("/autostart "), RunOutcome::EndedByUser);

    EXPECT_EQ(frontEnd.EventsStartingWith("choice"),
              std::vector<std::string>{"choice Quorvane Olvin 5|Quorvane Zetra 5 (0)"});
    EXPECT_TRUE(HasEvent("enable 1"));
    EXPECT_FALSE(HasEvent("range 1004: 50000"));
    EXPECT_EQ(ApplicationProfile("QVUUpdate").GetProfileIntA("", "LastSelectedProduct", 0),
              static_cast<UINT>(Zetra5));
    EXPECT_TRUE(HasEvent("text 1006: " + WebPageAddress(Text("BROWSER_ZETRA5_VERSIONHISTORY"))));
}

TEST_F(UpdateRunTest, TheProductChoiceCannotBeLeftWithoutAProduct) {
    InstallOlvin5();
    Install(Zetra5, "C:\\Quorvane\\Zetra5\\", "C:\\Program Files\\Zetra5\\", "5.0.0.1");
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    frontEnd.ChooseEntry(5); // Escape: no entry
    frontEnd.ChooseEntry(0);

    EXPECT_EQ(Run(), RunOutcome::EndedByUser);
    EXPECT_EQ(frontEnd.EventsStartingWith("choice").size(), 2u);
    EXPECT_EQ(ApplicationProfile("QVUUpdate").GetProfileIntA("", "LastSelectedProduct", 0),
              static_cast<UINT>(Olvin5));
}

TEST_F(UpdateRunTest, TheProgramInAProductsFolderUpdatesThatProductWithoutAsking) {
    InstallOlvin5();
    Install(Zetra5, "C:\\Quorvane\\Zetra5\\", "C:\\Program Files\\Zetra5\\", "5.0.0.1");
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));

    EXPECT_EQ(Run("/autostart ", "C:\\Program Files\\Olvin5\\QVUUpdate.exe"),
              RunOutcome::InstallerStarted);
    EXPECT_TRUE(frontEnd.EventsStartingWith("choice").empty());
}

TEST_F(UpdateRunTest, AKeptPackageIsInstalledWithoutDownloadingWhenTheUserSaysNo) {
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    WriteFile(OnDriveC(kPackage), bytes);
    frontEnd.PressStart();
    frontEnd.AnswerMessageBox(IDNO);

    EXPECT_EQ(Run(), RunOutcome::InstallerStarted);

    ASSERT_EQ(frontEnd.MessageBoxes().size(), 1u);
    EXPECT_EQ(frontEnd.MessageBoxes()[0].text, Text("MSI_ALREADY_DOWNLOADED"));
    EXPECT_EQ(frontEnd.MessageBoxes()[0].type, 0x23u);
    // No download ran: the progress of the kept file is ignored.
    EXPECT_TRUE(frontEnd.EventsStartingWith("range 1004").empty());
    EXPECT_TRUE(frontEnd.EventsStartingWith("position 1004").empty());
    EXPECT_EQ(InstallerRecord(), ExpectedInstallerCall());
}

TEST_F(UpdateRunTest, TheInstallerGetsTheVerifiedPackageWhateverTheDescriptionSaysLater) {
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    WriteFile(OnDriveC(kPackage), bytes);
    frontEnd.PressStart();
    // While the question is open, another program rewrites the stored description.
    frontEnd.AnswerMessageBox(IDNO, [&] {
        const fs::path description = OnDriveC("C:\\Quorvane\\Olvin5\\Update\\QVU.ini");
        std::string text = ReadFile(description);
        text.replace(text.find("FileName=olvin5.msi"), 19, "FileName=other.msi");
        WriteFile(description, text);
        return true;
    });

    EXPECT_EQ(Run(), RunOutcome::InstallerStarted);
    EXPECT_EQ(InstallerRecord(), ExpectedInstallerCall());
}

TEST_F(UpdateRunTest, AKeptPackageIsDownloadedAgainWhenTheUserSaysYes) {
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    WriteFile(OnDriveC(kPackage), bytes);
    frontEnd.PressStart();
    frontEnd.AnswerMessageBox(IDYES);

    EXPECT_EQ(Run(), RunOutcome::InstallerStarted);
    EXPECT_TRUE(HasEvent("range 1004: 50000"));
}

TEST_F(UpdateRunTest, CancellingTheKeptPackageQuestionOffersStartAgain) {
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    WriteFile(OnDriveC(kPackage), bytes);
    frontEnd.PressStart();
    frontEnd.AnswerMessageBox(IDCANCEL);

    EXPECT_EQ(Run(), RunOutcome::EndedByUser);

    const auto& events = frontEnd.Events();
    const std::size_t question = IndexOf("box QVUUpdate: " + Text("MSI_ALREADY_DOWNLOADED"));
    ASSERT_LT(question, events.size());
    EXPECT_NE(std::find(events.begin() + question, events.end(), "enable 1"), events.end());
    EXPECT_FALSE(fs::exists(installerRecord));
}

TEST_F(UpdateRunTest, AKeptPackageWithAWrongDigestIsDownloadedAgainWithoutAQuestion) {
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes));
    WriteFile(OnDriveC(kPackage), PackageBytes(49999) + "x");
    frontEnd.PressStart();

    EXPECT_EQ(Run(), RunOutcome::InstallerStarted);
    EXPECT_TRUE(frontEnd.MessageBoxes().empty());
    EXPECT_EQ(ReadFile(OnDriveC(kPackage)), bytes);
}

// A kept package of the right size and MD5, with a SHA256 published beside them.
enum class KeptOutcome { Offered, DownloadedAndRefused, RefusedUnfetched };
struct KeptPackageCase {
    const char* name;
    std::string (*sha256)(const std::string& bytes);
    KeptOutcome outcome;
};
void PrintTo(const KeptPackageCase& test, std::ostream* out) {
    *out << test.name;
}

class KeptPackageDigestTest : public UpdateRunTest,
                              public testing::WithParamInterface<KeptPackageCase> {};

TEST_P(KeptPackageDigestTest, IsOfferedOnlyWhenThePublishedSha256MatchesToo) {
    const KeptOutcome outcome = GetParam().outcome;
    InstallOlvin5();
    Describe(PackageSection("Olvin5", "5.2.0.7", bytes) + "SHA256=" + GetParam().sha256(bytes) +
             "\r\n");
    WriteFile(OnDriveC(kPackage), bytes);
    frontEnd.PressStart();
    if (outcome == KeptOutcome::Offered)
        frontEnd.AnswerMessageBox(IDNO);

    EXPECT_EQ(Run(),
              outcome == KeptOutcome::Offered ? RunOutcome::InstallerStarted : RunOutcome::Refused);

    ASSERT_EQ(frontEnd.MessageBoxes().size(), 1u);
    EXPECT_EQ(
        frontEnd.MessageBoxes()[0].text,
        Text(outcome == KeptOutcome::Offered ? "MSI_ALREADY_DOWNLOADED" : "ERROR_CORRUPTDOWNLOAD"));
    EXPECT_EQ(frontEnd.EventsStartingWith("position 1004").empty(),
              outcome != KeptOutcome::DownloadedAndRefused);
    EXPECT_EQ(ReadFile(OnDriveC(kPackage)), bytes);
    EXPECT_EQ(fs::exists(installerRecord), outcome == KeptOutcome::Offered);
}

INSTANTIATE_TEST_SUITE_P(
    Sha256, KeptPackageDigestTest,
    testing::Values(
        KeptPackageCase{"LowerCase", [](const std::string& b) { return qvutest::Sha256Text(b); },
                        KeptOutcome::Offered},
        KeptPackageCase{"UpperCase",
                        [](const std::string& b) { return ascii::ToUpper(qvutest::Sha256Text(b)); },
                        KeptOutcome::Offered},
        KeptPackageCase{"OfOtherBytes",
                        [](const std::string&) { return qvutest::Sha256Text("other"); },
                        KeptOutcome::DownloadedAndRefused},
        KeptPackageCase{"SixtyThreeDigits",
                        [](const std::string& b) { return qvutest::Sha256Text(b).substr(1); },
                        KeptOutcome::RefusedUnfetched},
        KeptPackageCase{"Blank", [](const std::string&) { return std::string(); },
                        KeptOutcome::RefusedUnfetched}),
    [](const testing::TestParamInfo<KeptPackageCase>& info) { return info.param.name; });

TEST_F(UpdateRunTest, CancelDuringADownloadAnsweredNoLetsTheDownloadGoOn) {
    InstallOlvin5();
    // About two seconds, so that the question comes before the end however
    // busy the machine is.
    const qvutest::LocalServer slow(served, {"--rate", "4194304"});
    const std::string big = PackageBytes(8 << 20);
    Describe(PackageSection("Olvin5", "5.2.0.7", big, "olvin5.msi", &slow));
    std::size_t positionsBeforeQuestion = 0;
    frontEnd.PressCancel([&] {
        positionsBeforeQuestion = frontEnd.EventsStartingWith("position 1004").size();
        return positionsBeforeQuestion > 0;
    });
    // The question stays open while progress keeps coming.
    frontEnd.AnswerMessageBox(IDNO, [&] {
        return frontEnd.EventsStartingWith("position 1004").size() > positionsBeforeQuestion + 3;
    });

    EXPECT_EQ(Run("/autostart "), RunOutcome::InstallerStarted);

    ASSERT_EQ(frontEnd.MessageBoxes().size(), 1u);
    EXPECT_EQ(frontEnd.MessageBoxes()[0].text, Text("APP_DOWNLOAD_CANCEL"));
    EXPECT_EQ(frontEnd.MessageBoxes()[0].type, 0x34u);
    EXPECT_EQ(ReadFile(OnDriveC(kPackage)).size(), big.size());
}

TEST_F(UpdateRunTest, APackageReadyWhileTheCancelQuestionIsOpenIsInstalledAtOnce) {
    InstallOlvin5();
    const std::string big = PackageBytes(8 << 20);
    Describe(PackageSection("Olvin5", "5.2.0.7", big));
    frontEnd.PressCancel([&] { return !frontEnd.EventsStartingWith("position 1004").empty(); });
    // The user never answers: the hand-off closes the dialog under the question.
    frontEnd.AnswerMessageBox(IDYES, [] { return false; });

    EXPECT_EQ(Run("/autostart "), RunOutcome::InstallerStarted);
    EXPECT_EQ(InstallerRecord(), ExpectedInstallerCall());
}

} // namespace
