#include "frontends/console/ConsoleView.h"

#include "app/QVUUpdateDlg.h"
#include "app/WebBrowser.h"
#include "base/VisibleText.h"

#include <cstdint>

namespace {

constexpr int kBarWidth = 30;

using platform::DialogChangeKind;

// The label before each text control.
int LabelOf(int controlId) {
    if (controlId == kInstalledVersionText)
        return kCurrentVersionLabel;
    if (controlId == kOfferedVersionText)
        return kUpdateVersionLabel;
    return 0;
}

} // namespace

void ConsoleView::Show(const platform::DialogChange& change) {
    switch (change.kind) {
    case DialogChangeKind::Caption:
        caption_ = change.control.text;
        break;
    case DialogChangeKind::Text:
        ShowText(change.controlId, change.control.text);
        break;
    case DialogChangeKind::ProgressRange:
        rangeHigh_ = change.control.rangeHigh;
        position_ = change.control.position;
        printedTenth_ = -1;
        drawn_.clear();
        break;
    case DialogChangeKind::ProgressPosition:
        // The progress text follows every position, and is what gets drawn.
        position_ = change.control.position;
        break;
    case DialogChangeKind::Visible:
        if (change.controlId != kProgressBar)
            break;
        if (change.control.visible)
            printedTenth_ = -1; // a new download, perhaps of the same size
        else
            EndOpenLine();
        break;
    case DialogChangeKind::Enabled:
        break;
    }
}

void ConsoleView::ShowText(int controlId, const std::string& text) {
    labels_[controlId] = text;
    if (text.empty())
        return;
    if (controlId == kVersionText) {
        PrintLine(caption_ + ", version " + text);
    } else if (const int label = LabelOf(controlId)) {
        PrintLine(labels_[label] + " " + text);
    } else if (controlId == kBrowserControl) {
        PrintLine("Web page: " + text);
    } else if (controlId == kProgressText) {
        progressText_ = text;
        ShowProgress();
    }
}

void ConsoleView::ShowProgress() {
    if (rangeHigh_ <= 0 || progressText_.empty())
        return;
    if (terminal_) {
        DrawProgressInPlace(progressText_);
        return;
    }
    const std::int64_t percent = std::int64_t{position_} * 100 / rangeHigh_;
    const int tenth = static_cast<int>(percent / 10);
    if (tenth <= printedTenth_)
        return;
    printedTenth_ = tenth;
    PrintLine("Download: " + progressText_);
}

void ConsoleView::DrawProgressInPlace(const std::string& text) {
    const std::int64_t filled =
        std::min<std::int64_t>(kBarWidth, std::int64_t{position_} * kBarWidth / rangeHigh_);
    std::string line = "[" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "] " +
                       VisibleControls(text);
    if (line == drawn_ && inPlace_)
        return;
    if (afterPrompt_) {
        out_ << '\n';
        afterPrompt_ = false;
    }
    // Blanks wipe what a longer line left behind.
    const std::size_t width = line.size();
    if (drawn_.size() > width)
        line += std::string(drawn_.size() - width, ' ');
    out_ << '\r' << line << std::flush;
    drawn_ = line.substr(0, width);
    inPlace_ = true;
}

void ConsoleView::EndOpenLine() {
    if (inPlace_ || afterPrompt_)
        out_ << '\n';
    inPlace_ = false;
    afterPrompt_ = false;
}

void ConsoleView::PrintLine(const std::string& text) {
    EndOpenLine();
    out_ << VisibleControls(text, LineFeeds::Kept) << '\n' << std::flush;
}

void ConsoleView::Prompt(const std::string& text) {
    EndOpenLine();
    out_ << VisibleControls(text) << std::flush;
    afterPrompt_ = true;
}

void ConsoleView::Answered(const std::string& echo, bool typedOnTerminal) {
    // A line typed at a terminal has moved the cursor on already.
    if (typedOnTerminal && terminal_) {
        afterPrompt_ = false;
        return;
    }
    if (!afterPrompt_)
        EndOpenLine();
    afterPrompt_ = false;
    out_ << VisibleControls(echo) << '\n' << std::flush;
}

void ConsoleView::Finish() {
    EndOpenLine();
    out_ << std::flush;
}
