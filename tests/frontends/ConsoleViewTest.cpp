#include "frontends/console/ConsoleView.h"

#include "app/QVUUpdateDlg.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using platform::DialogChange;
using platform::DialogChangeKind;
using platform::DialogControlState;

DialogChange Text(int controlId, const std::string& text) {
    DialogControlState state;
    state.text = text;
    return {nullptr, controlId, DialogChangeKind::Text, state};
}

DialogChange Range(int high) {
    DialogControlState state;
    state.rangeHigh = high;
    return {nullptr, 1004, DialogChangeKind::ProgressRange, state};
}

DialogChange Position(int high, int position) {
    DialogControlState state;
    state.rangeHigh = high;
    state.position = position;
    return {nullptr, 1004, DialogChangeKind::ProgressPosition, state};
}

DialogChange Hidden(int controlId) {
    DialogControlState state;
    state.visible = false;
    return {nullptr, controlId, DialogChangeKind::Visible, state};
}

// The bar drawn on a terminal with filled of its 30 places done.
std::string Bar(int filled) {
    return "[" + std::string(filled, '#') + std::string(30 - filled, ' ') + "] ";
}

// A download of 1000 bytes reported at each of done, as the dialog shows it.
void Download(ConsoleView& view, std::initializer_list<int> done) {
    view.Show(Range(1000));
    for (const int bytes : done) {
        view.Show(Position(1000, bytes));
        view.Show(Text(1005, std::to_string(bytes / 10) + ".0%"));
    }
}

TEST(ConsoleViewTest, CaptionWithVersionAndLabelsWithTheirTexts) {
    std::ostringstream out;
    ConsoleView view(out, false);
    DialogChange caption = Text(0, "Quorvane Zelvo Update");
    caption.kind = DialogChangeKind::Caption;
    view.Show(caption);
    view.Show(Text(1009, "4.2.4"));
    view.Show(Text(1000, "Currently Installed:"));
    view.Show(Text(1001, ""));
    view.Show(Text(1002, "Update Version:"));
    view.Show(Text(1003, ""));
    view.Show(Text(1001, "Quorvane Olvin 5.1 (Build 5.1.0.0)"));
    view.Show(Text(1006, "http://127.0.0.1:1/?URL=page"));
    view.Show(Text(1003, "Initializing Internet Connection ..."));
    EXPECT_EQ(out.str(), "Quorvane Zelvo Update, version 4.2.4\n"
                         "Currently Installed: Quorvane Olvin 5.1 (Build 5.1.0.0)\n"
                         "Web page: http://127.0.0.1:1/?URL=page\n"
                         "Update Version: Initializing Internet Connection ...\n");
}

TEST(ConsoleViewTest, WithoutTerminalOneLinePerTenthOfTheDownload) {
    std::ostringstream out;
    ConsoleView view(out, false);
    Download(view, {1, 50, 99, 100, 150, 420, 1000});
    EXPECT_EQ(out.str(), "Download: 0.0%\nDownload: 10.0%\nDownload: 42.0%\nDownload: 100.0%\n");
}

TEST(ConsoleViewTest, OnATerminalTheBarIsRedrawnInPlaceOnlyWhenItChanges) {
    std::ostringstream out;
    ConsoleView view(out, true);
    Download(view, {500});
    view.Show(Text(1005, "50.0%"));
    view.Show(Position(1000, 500));
    view.Show(Hidden(1004));
    view.PrintLine("done");
    EXPECT_EQ(out.str(), "\r" + Bar(15) + "50.0%\ndone\n");
}

TEST(ConsoleViewTest, AShorterProgressTextWipesTheLongerOne) {
    std::ostringstream out;
    ConsoleView view(out, true);
    view.Show(Range(1000));
    view.Show(Position(1000, 0));
    view.Show(Text(1005, "0.0% (12 min remaining)"));
    view.Show(Text(1005, "0.0%"));
    EXPECT_EQ(out.str(), "\r" + Bar(0) + "0.0% (12 min remaining)" + "\r" + Bar(0) + "0.0%" +
                             std::string(19, ' '));
}

TEST(ConsoleViewTest, PromptsEndTheProgressLineAndAnswersAreEchoedWhenNotTyped) {
    std::ostringstream out;
    ConsoleView view(out, true);
    Download(view, {100});
    view.Prompt("Answer yes or no [yes]: ");
    view.Answered("no", false);
    view.Prompt("Again? ");
    view.Answered("yes", true);
    EXPECT_EQ(out.str(), "\r" + Bar(3) + "10.0%\nAnswer yes or no [yes]: no\nAgain? ");
}

TEST(ConsoleViewTest, ControlCharactersOfEveryPrintedTextAreShownNotObeyed) {
    std::ostringstream out;
    ConsoleView view(out, true);
    DialogChange caption = Text(0, "Update\x1b]0;owned\x07");
    caption.kind = DialogChangeKind::Caption;
    view.Show(caption);
    view.Show(Text(1009, "4.2\xc2\x9b"
                         "2J"));
    view.Show(Text(1002, "Update Version:"));
    view.Show(Text(1003, "Olvin 5.1\rFAKE\x1b[2J"));
    view.Show(Text(1006, "http://127.0.0.1:1/\x1b]52;c;eA==\x07"));
    view.Show(Range(1000));
    view.Show(Position(1000, 500));
    view.Show(Text(1005, "50%\x9b"
                         "1A"));
    // A message's own line breaks still break it.
    view.PrintLine("[QVUUpdate] First line.\nSecond line\b\x7f.");
    view.Prompt("Answer\x1b[8m: ");
    view.Answered("echo\x1b[1A", false);
    EXPECT_EQ(out.str(), "Update\\x1b]0;owned\\x07, version 4.2\\xc2\\x9b2J\n"
                         "Update Version: Olvin 5.1\\x0dFAKE\\x1b[2J\n"
                         "Web page: http://127.0.0.1:1/\\x1b]52;c;eA==\\x07\n"
                         "\r" +
                             Bar(15) +
                             "50%\\x9b1A\n"
                             "[QVUUpdate] First line.\nSecond line\\x08\\x7f.\n"
                             "Answer\\x1b[8m: echo\\x1b[1A\n");
}

TEST(ConsoleViewTest, NoRangeShowsNoProgress) {
    std::ostringstream out;
    ConsoleView view(out, false);
    view.Show(Range(0));
    view.Show(Position(0, 0));
    EXPECT_EQ(out.str(), "");
}

// The dialog's progress display drawing into the view through the dialog
// model, as in the program.
class DisplayedDownloadTest : public ::testing::Test {
protected:
    DisplayedDownloadTest() {
        platform::SetDialogListener(dialog,
                                    [this](const DialogChange& change) { view.Show(change); });
    }
    ~DisplayedDownloadTest() override { platform::ForgetDialogControls(dialog); }

    HWND dialog = reinterpret_cast<HWND>(0x6100);
    XMLLocalizer texts; // no table: the progress text is the item id
    ProgressDisplay display{dialog, texts};
    std::ostringstream out;
    ConsoleView view{out, false};
};

TEST_F(DisplayedDownloadTest, ARetriedDownloadOfTheSameSizeShowsItsProgressAnew) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        display.OnDownloadStarted(1000, 0);
        display.OnDownloadProgress(500, 10);
        display.OnDownloadEnded();
    }
    EXPECT_EQ(out.str(), "Download: APP_PROGRESSTIME\nDownload: APP_PROGRESSTIME\n");
}

TEST_F(DisplayedDownloadTest, PackagesOfTwoToFourGibibytesShowTheirProgress) {
    const DWORD size = 0xC0000000; // 3 GiB
    display.OnDownloadStarted(size, 0);
    display.OnDownloadProgress(size / 2, 1000);
    EXPECT_EQ(out.str(), "Download: APP_PROGRESSTIME\n");
    char text[64];
    GetDlgItemTextA(dialog, 1005, text, sizeof text);
    EXPECT_STREQ(text, "APP_PROGRESSTIME");
}

} // namespace
