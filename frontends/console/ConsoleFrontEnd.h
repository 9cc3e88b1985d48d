// The update dialog at a console: the dialog's texts, its progress and its
// message boxes are printed to standard output, and the user answers with
// lines on standard input (see ConsoleAnswers.h). The input is read on a
// thread of its own, so the download's progress keeps coming while a
// question waits; at the end of the input every question takes its default
// button and the Start prompt Cancel, so a script never hangs.
#pragma once

#include "app/UpdateFrontEnd.h"
#include "frontends/console/ConsoleAnswers.h"
#include "frontends/console/ConsoleView.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class ConsoleFrontEnd : public UpdateFrontEnd {
public:
    ConsoleFrontEnd();

    void DialogOpened(CQVUUpdateDlg& dialog) override;
    int ShowMessageBox(CQVUUpdateDlg& dialog, const std::string& text, const std::string& caption,
                       UINT type) override;
    // Written to standard error as "CAPTION: TEXT".
    void ShowNote(CQVUUpdateDlg& dialog, const std::string& text,
                  const std::string& caption) override;
    std::size_t ChooseProduct(CQVUUpdateDlg& dialog, const ProductChoice& choice) override;
    void WaitingForUser(CQVUUpdateDlg& dialog) override;
    void DialogClosed(CQVUUpdateDlg& dialog) override;

private:
    // One prompt and how lines answer it.
    struct Question {
        std::string prompt;
        std::function<std::optional<int>(const std::string&)> answer;
        int atEndOfInput;
        std::function<std::string(int)> name; // an answer as it is echoed
    };

    // Asks question and keeps the dialog's messages flowing until a line
    // answers it; nothing when the dialog ended first.
    std::optional<int> Ask(CQVUUpdateDlg& dialog, const Question& question);
    // Takes the waiting lines until one answers question; false when none
    // did and the input goes on.
    bool TakeAnswer(const Question& question, int& answer);
    void AnswerWhileBusy(CQVUUpdateDlg& dialog);

    ConsoleView view_;
    const bool inputIsTerminal_;
    std::vector<std::string> openPrompts_; // the questions open, innermost last
    std::optional<WaitingChoice> waitingPrompted_;
};
