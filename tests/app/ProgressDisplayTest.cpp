// The progress display of the update dialog: what the bar and the text show
// during a download.
#include "app/QVUUpdateDlg.h"
#include "platform/dialog_controls.h"
#include "platform/time.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The same text in every language, so that the user's language never matters.
std::string Item(const std::string& id, const std::string& text) {
    std::string item = "<TRANSLATE ItemId=\"" + id + "\">";
    for (const char* language : {"English", "German", "French", "Italian", "Spanish"})
        item += std::string("<") + language + ">" + text + "</" + language + ">";
    return item + "</TRANSLATE>";
}

std::string EnglishTexts() {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><TRANSLATIONS>" +
           Item("APP_PROGRESS", "#P%") + Item("APP_PROGRESSTIME", "#P% (#T remaining)") +
           Item("APP_PROGRESS_MINUTES", "min") + Item("APP_PROGRESS_SECONDS", "s") +
           "</TRANSLATIONS>";
}

class ProgressDisplayTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(texts.ParseXml(EnglishTexts().c_str())); }
    void TearDown() override { platform::ForgetDialogControls(dialog); }

    std::string Text() const {
        char text[128];
        GetDlgItemTextA(dialog, kProgressText, text, sizeof text);
        return text;
    }
    HWND Bar() const { return GetDlgItem(dialog, kProgressBar); }
    LRESULT Position() const { return SendMessageA(Bar(), PBM_GETPOS, 0, 0); }
    bool Shown() const {
        const bool bar = IsWindowVisible(Bar());
        const bool text = IsWindowVisible(GetDlgItem(dialog, kProgressText));
        EXPECT_EQ(bar, text) << "bar and text are shown and hidden together";
        return bar && text;
    }
    // The text after done of total bytes took elapsedMs.
    std::string TextAfter(int done, int total, DWORD elapsedMs) {
        const DWORD start = 7000;
        display.UpdateProgress(done, total, start, start + elapsedMs);
        return Text();
    }

    HWND dialog = reinterpret_cast<HWND>(0x6000);
    XMLLocalizer texts;
    ProgressDisplay display{dialog, texts};
};

TEST_F(ProgressDisplayTest, StartEmptiesAndShowsBarAndText) {
    SetDlgItemTextA(dialog, kProgressText, "12.0%");
    SendMessageA(Bar(), PBM_SETPOS, 40, 0);
    display.HideProgress();
    ASSERT_FALSE(Shown());

    // Packages are larger than the 16-bit range of a progress bar.
    display.StartProgress(3000000);
    EXPECT_TRUE(Shown());
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(Position(), 0);
    PBRANGE range{};
    SendMessageA(Bar(), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 3000000);

    display.UpdateProgress(2500000, 3000000, 0, 0);
    EXPECT_EQ(Position(), 2500000);
    display.HideProgress();
    EXPECT_FALSE(Shown());
    EXPECT_EQ(Text(), "83.3% (0 s remaining)") << "hiding keeps the text";
}

TEST_F(ProgressDisplayTest, PercentageStandsAloneBelowTwoPercent) {
    EXPECT_EQ(TextAfter(1, 1000, 5000), "0.1%");
    EXPECT_EQ(TextAfter(0, 1000, 5000), "0.0%");
    EXPECT_EQ(TextAfter(19, 1000, 600000), "1.9%");
    EXPECT_EQ(TextAfter(20, 1000, 1000), "2.0% (49 s remaining)");
}

TEST_F(ProgressDisplayTest, RemainingTimeInMinutesAboveOneMinuteElseSeconds) {
    EXPECT_EQ(TextAfter(500, 1000, 120000), "50.0% (2 min remaining)");
    EXPECT_EQ(TextAfter(500, 1000, 60000), "50.0% (60 s remaining)");
    EXPECT_EQ(TextAfter(500, 1000, 60001), "50.0% (1 min remaining)");
    EXPECT_EQ(TextAfter(500, 1000, 999), "50.0% (0 s remaining)");
    EXPECT_EQ(TextAfter(1000, 1000, 300000), "100.0% (0 s remaining)");
    // 12.3 percent after 4:45 leaves 33.9 minutes, cut to whole ones.
    EXPECT_EQ(TextAfter(123, 1000, 285000), "12.3% (33 min remaining)");
    EXPECT_EQ(TextAfter(870, 1000, 301154), "87.0% (45 s remaining)");
}

TEST_F(ProgressDisplayTest, ElapsedTimeCountsAcrossTheClockWrap) {
    const DWORD start = 0xFFFF0000;
    display.UpdateProgress(500, 1000, start, start + 120000);
    EXPECT_EQ(Text(), "50.0% (2 min remaining)");
}

TEST_F(ProgressDisplayTest, EstimatesOutsideTheClockRangeStayMeaningful) {
    // More bytes than expected: nothing is left, rather than a wrapped estimate.
    EXPECT_EQ(TextAfter(1500, 1000, 60000), "150.0% (0 s remaining)");
    // 2 percent after the longest measurable time: the estimate stops at the
    // counter's top instead of overflowing it.
    EXPECT_EQ(TextAfter(20, 1000, 0xFFFFFFFF), "2.0% (71582 min remaining)");
}

TEST_F(ProgressDisplayTest, EveryPlaceholderIsReplaced) {
    XMLLocalizer repeating;
    ASSERT_TRUE(repeating.ParseXml(("<TRANSLATIONS>" + Item("APP_PROGRESS", "#P/#P") +
                                    Item("APP_PROGRESSTIME", "#P #T, #P #T") +
                                    Item("APP_PROGRESS_SECONDS", "#T#P") + "</TRANSLATIONS>")
                                       .c_str()));
    ProgressDisplay repeatingDisplay(dialog, repeating);
    repeatingDisplay.UpdateProgress(1, 100, 0, 0);
    EXPECT_EQ(Text(), "1.0/1.0");
    // The unit is put in after the percentage and is not searched again.
    repeatingDisplay.UpdateProgress(50, 100, 0, 2000);
    EXPECT_EQ(Text(), "50.0 2 #T#P, 50.0 2 #T#P");
}

TEST_F(ProgressDisplayTest, UnknownSizeShowsNothing) {
    display.StartProgress(1000);
    display.UpdateProgress(500, 1000, 0, 1000);
    display.UpdateProgress(500, 0, 0, 1000);
    EXPECT_EQ(Text(), "50.0% (1 s remaining)");
    EXPECT_EQ(Position(), 500);
}

TEST_F(ProgressDisplayTest, DownloadCommandsKeepSizeAndStart) {
    display.OnDownloadStarted(1000, 5000);
    EXPECT_EQ(display.DownloadTotal(), 1000);
    EXPECT_EQ(display.DownloadStart(), 5000u);
    EXPECT_TRUE(Shown());
    display.OnDownloadProgress(500, 125000);
    EXPECT_EQ(Text(), "50.0% (2 min remaining)");
    EXPECT_EQ(Position(), 500);

    display.OnDownloadEnded();
    EXPECT_FALSE(Shown());
    EXPECT_EQ(display.DownloadTotal(), 0);
    EXPECT_EQ(display.DownloadStart(), 0u);
    display.OnDownloadProgress(1000, 130000);
    EXPECT_EQ(Text(), "50.0% (2 min remaining)") << "no download runs";
}

TEST_F(ProgressDisplayTest, ExpectedSizeOfZeroIgnoresProgress) {
    display.OnDownloadStarted(0, 5000);
    EXPECT_TRUE(Shown());
    display.OnDownloadProgress(0, 6000);
    display.OnDownloadProgress(8192, 7000);
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(Position(), 0);
}

TEST_F(ProgressDisplayTest, MeasuresWithTheMillisecondClock) {
    display.OnDownloadStarted(1000);
    const DWORD before = timeGetTime();
    EXPECT_LE(before - display.DownloadStart(), 1000u);
    // Half done at once: far less than a second is left.
    display.OnDownloadProgress(500);
    EXPECT_EQ(Text(), "50.0% (0 s remaining)");
}

} // namespace
