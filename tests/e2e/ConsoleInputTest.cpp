#include "tests/e2e/UpdateMachine.h"

namespace {

namespace fs = std::filesystem;
using qvutest::Occurrences;

class ConsoleInputTest : public qvutest::UpdateMachineTest {};

TEST_F(ConsoleInputTest, UnknownAnswersAskAgainAndCancelEndsTheRun) {
    InstallOlvin5();
    ServePackage(1000);
    const qvutest::ProgramRun run = RunUpdate({}, "maybe\nCANCEL\n");
    EXPECT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitStatus, qvutest::kEndedByUser) << run.output << run.errors;
    EXPECT_NE(run.output.find("[start]: maybe\n\"maybe\" is no answer here.\n"
                              "Type start to update, or cancel to end [start]: cancel\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(InstallerRecord(300), "");
}

TEST_F(ConsoleInputTest, CancelDuringTheDownloadAsksAndYesEndsIt) {
    InstallOlvin5();
    const auto stalling = ServePackageBadly(200000, {"--stall-after", "16384"});

    // The first line after Start gets the hint, "cancel" asks, "y" answers.
    const qvutest::ProgramRun run = RunUpdate({}, "\nwhat now\ncancel\ny\n");
    EXPECT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.signal, 0) << run.errors;
    EXPECT_EQ(run.exitStatus, qvutest::kEndedByUser) << run.output << run.errors;
    EXPECT_NE(run.output.find("The download is running; type cancel to interrupt it.\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("[QVUUpdate] You are about to interrupt the Quorvane download."),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("Answer yes or no [yes]: yes\n"), std::string::npos) << run.output;
    EXPECT_EQ(InstallerRecord(300), "");
}

TEST_F(ConsoleInputTest, VeryLongCommandLineIsReadLikeAnyOther) {
    InstallOlvin5();
    ServePackage(1000);
    std::string junk(100000, 'x');
    for (std::size_t i = 100; i < junk.size(); i += 100)
        junk[i] = ' ';
    const qvutest::ProgramRun run = RunUpdate({junk}, "cancel\n");
    EXPECT_FALSE(run.timedOut) << run.output.substr(0, 2000);
    EXPECT_EQ(run.exitStatus, qvutest::kEndedByUser) << run.errors.substr(0, 2000);
    EXPECT_NE(run.output.find("Web page: " + Url("/?URL=olvin5-versionhistory-en") + "\n"),
              std::string::npos)
        << run.output;
}

TEST_F(ConsoleInputTest, DisplayAddressWithQuotesAndNonAsciiTextIsShownInLowerCase) {
    InstallOlvin5();
    ServePackage(1000);
    const std::string page = Url("/Pages/Notes\"\xC3\x84\"Page.HTM");
    const qvutest::ProgramRun run = RunUpdate({"/display=" + page, "rest of line"}, "cancel\n");
    EXPECT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitStatus, qvutest::kEndedByUser) << run.output << run.errors;
    // The switch is read from the command line as Windows passes it: the
    // argument quoted, the quotes inside it escaped, the value ending at the
    // next blank; bytes beyond ASCII pass unchanged.
    const std::string shown = Url("/pages/notes\\\"\xC3\x84\\\"page.htm\"");
    EXPECT_NE(run.output.find("Web page: " + shown + "\n"), std::string::npos) << run.output;
    EXPECT_EQ(Occurrences(run.output, "Web page: "), 1u) << run.output;
}

TEST_F(ConsoleInputTest, EmptyDisplayValueKeepsTheVersionHistoryPage) {
    InstallOlvin5();
    ServePackage(1000);
    const qvutest::ProgramRun run = RunUpdate({"/DISPLAY=", "/autostartx"}, "c\n");
    EXPECT_EQ(run.exitStatus, qvutest::kEndedByUser) << run.output << run.errors;
    EXPECT_NE(run.output.find("Web page: " + Url("/?URL=olvin5-versionhistory-en") + "\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(InstallerRecord(300), "") << "/autostartx is no switch";
}

} // namespace

namespace {

class ProductChoiceInputTest : public qvutest::UpdateMachineTest {};

TEST_F(ProductChoiceInputTest, EntriesAreNumberedAndAWrongNumberAsksAgain) {
    InstallOlvin5();
    RecordProduct("Quorvane Zetra\\5.0", "C:\\Quorvane\\Zetra5\\");
    ServePackage(1000);
    // Choosing clears /autostart: Start is asked for, and the input ends there.
    const qvutest::ProgramRun run = RunUpdate({"/autostart"}, "9\n1\n");
    EXPECT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitStatus, qvutest::kEndedByUser) << run.output << run.errors;
    EXPECT_NE(run.output.find("  1. Quorvane Olvin 5\n  2. Quorvane Zetra 5\n"
                              "Product number [1]: 9\n\"9\" is no answer here.\n"
                              "Product number [1]: 1\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("Currently Installed: Quorvane Olvin 5.0.1.100 (Build 5.0.1.100)\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("[start]: cancel (end of input)\n"), std::string::npos) << run.output;
    EXPECT_EQ(InstallerRecord(300), "");
}

TEST_F(ProductChoiceInputTest, EndOfInputTakesThePreselectedEntry) {
    InstallOlvin5();
    RecordProduct("Quorvane Zetra\\5.0", "C:\\Quorvane\\Zetra5\\");
    ServePackage(1000);
    const qvutest::ProgramRun run = RunUpdate({}, "");
    EXPECT_EQ(run.exitStatus, qvutest::kEndedByUser) << run.output << run.errors;
    EXPECT_NE(run.output.find("Product number [1]: 1 (end of input)\n"), std::string::npos)
        << run.output;
}

} // namespace

namespace {

class OpenInputTest : public qvutest::UpdateMachineTest {};

TEST_F(OpenInputTest, RunThatEndsByItselfDoesNotWaitForTheInputToEnd) {
    InstallOlvin5("5,2,0,1");
    ServePackage(1000);
    const qvutest::ProgramRun run = RunUpdate({}, "", {}, qvutest::InputEnd::Never);
    EXPECT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitStatus, qvutest::kRefused) << run.output << run.errors;
}

TEST_F(OpenInputTest, AnsweredRunEndsWhileTheInputStaysOpen) {
    InstallOlvin5();
    ServePackage(20000);
    const qvutest::ProgramRun run = RunUpdate({}, "start\n", {}, qvutest::InputEnd::Never);
    EXPECT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitStatus, qvutest::kInstallerStarted) << run.output << run.errors;
    EXPECT_NE(InstallerRecord(), "");
}

} // namespace
