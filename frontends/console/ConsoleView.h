// The update dialog drawn as lines of text: the caption and version, each
// label with its text, the page the browser shows, and the download's
// progress, redrawn in place on a terminal and one line per tenth elsewhere.
// Any text it prints may come from the update server: its control characters
// are shown (VisibleControls), never obeyed; only the line feeds of a line's
// text still break it.
#pragma once

#include "platform/dialog_controls.h"

#include <map>
#include <ostream>
#include <string>

class ConsoleView {
public:
    // terminal: out is a terminal, so the progress line may be redrawn with \r.
    ConsoleView(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}

    // One change of the dialog (platform::SetDialogListener).
    void Show(const platform::DialogChange& change);

    // A line of its own, after whatever was drawn in place.
    void PrintLine(const std::string& text);
    // Text that waits for an answer on the same line; flushed.
    void Prompt(const std::string& text);
    // The answer to the last prompt was taken; echo (may be empty) is shown
    // after the prompt when the typed line did not appear there.
    void Answered(const std::string& echo, bool typedOnTerminal);
    // Ends a line drawn in place, when the dialog closes.
    void Finish();

private:
    void ShowText(int controlId, const std::string& text);
    void ShowProgress();
    void DrawProgressInPlace(const std::string& text);
    void EndOpenLine();

    std::ostream& out_;
    const bool terminal_;
    std::string caption_;
    std::map<int, std::string> labels_;
    int rangeHigh_ = 0;
    int position_ = 0;
    std::string progressText_;
    std::string drawn_;     // the progress line drawn in place last
    int printedTenth_ = -1; // the last tenth of the download given a line
    bool inPlace_ = false;  // the cursor stands on a progress line
    bool afterPrompt_ = false;
};
