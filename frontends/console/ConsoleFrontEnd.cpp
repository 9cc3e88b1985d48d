#include "frontends/console/ConsoleFrontEnd.h"

#include "app/QVUUpdateDlg.h"
#include "app/SelectProductDlg.h"
#include "app/UpdateFrontEnd.h"
#include "base/VisibleText.h"
#include "platform/console.h"
#include "platform/dialog_controls.h"
#include "platform/window_queue.h"

#include <deque>
#include <iostream>
#include <mutex>
#include <thread>

namespace {

// Standard input is read line by line on a thread of its own so that the
// dialog's thread keeps handling its posted commands (download progress)
// while it waits for an answer. Every line, and the end of input, is
// announced to the dialog's window with a posted message, which wakes
// whatever modal loop waits for it there.
constexpr UINT kConsoleLineMessage = WM_APP + 1;
constexpr UINT kConsoleEndMessage = WM_APP + 2;

// Shared by the reader and the dialog's thread. Never freed: the reader may
// still wait in std::getline when the program ends.
struct PendingLines {
    std::mutex lock;
    std::deque<std::string> lines;
    bool ended = false;
};

PendingLines& Pending() {
    static auto* pending = new PendingLines();
    return *pending;
}

void ReadLines(HWND window) {
    PendingLines& pending = Pending();
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        {
            const std::lock_guard<std::mutex> guard(pending.lock);
            pending.lines.push_back(line);
        }
        PostMessageA(window, kConsoleLineMessage, 0, 0);
    }
    {
        const std::lock_guard<std::mutex> guard(pending.lock);
        pending.ended = true;
    }
    PostMessageA(window, kConsoleEndMessage, 0, 0);
}

// Starts reading std::cin for the window. The reader is detached: a program
// waiting for nobody's input still ends when main returns.
void StartReadingInput(HWND window) {
    std::thread(ReadLines, window).detach();
}

enum class ConsoleLine { Taken, NoneYet, EndOfInput };

// The oldest line not yet taken. EndOfInput only once every line before the
// end was taken; it stays so.
ConsoleLine TakeInputLine(std::string& line) {
    PendingLines& pending = Pending();
    const std::lock_guard<std::mutex> guard(pending.lock);
    if (pending.lines.empty())
        return pending.ended ? ConsoleLine::EndOfInput : ConsoleLine::NoneYet;
    line = std::move(pending.lines.front());
    pending.lines.pop_front();
    return ConsoleLine::Taken;
}

bool IsConsole(DWORD device) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(device), &mode) != FALSE;
}

std::string WaitingAnswerName(int button) {
    return button == IDOK ? "start" : "cancel";
}

} // namespace

ConsoleFrontEnd::ConsoleFrontEnd()
    : view_(std::cout, IsConsole(STD_OUTPUT_HANDLE)),
      inputIsTerminal_(IsConsole(STD_INPUT_HANDLE)) {}

void ConsoleFrontEnd::DialogOpened(CQVUUpdateDlg& dialog) {
    platform::SetDialogListener(
        dialog.GetSafeHwnd(), [this](const platform::DialogChange& change) { view_.Show(change); });
    StartReadingInput(dialog.GetSafeHwnd());
}

void ConsoleFrontEnd::DialogClosed(CQVUUpdateDlg& dialog) {
    platform::SetDialogListener(dialog.GetSafeHwnd(), {});
    view_.Finish();
}

int ConsoleFrontEnd::ShowMessageBox(CQVUUpdateDlg& dialog, const std::string& text,
                                    const std::string& caption, UINT type) {
    view_.PrintLine("[" + caption + "] " + text);
    const std::vector<int> buttons = MessageBoxButtonIds(type);
    // A box with one button only informs: nothing to ask.
    if (buttons.size() == 1)
        return buttons.front();
    const Question question{ButtonPrompt(type),
                            [type](const std::string& line) { return ButtonAnswer(line, type); },
                            DefaultMessageBoxButton(type), MessageBoxButtonName};
    return Ask(dialog, question).value_or(DismissingMessageBoxButton(type));
}

void ConsoleFrontEnd::ShowNote(CQVUUpdateDlg& /*dialog*/, const std::string& text,
                               const std::string& caption) {
    std::cerr << VisibleControls(caption) << ": " << VisibleControls(text, LineFeeds::Kept)
              << std::endl;
}

std::size_t ConsoleFrontEnd::ChooseProduct(CQVUUpdateDlg& dialog, const ProductChoice& choice) {
    view_.PrintLine("[" + choice.Caption() + "] " + choice.Prompt());
    const std::vector<ProductChoiceEntry>& entries = choice.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i)
        view_.PrintLine("  " + std::to_string(i + 1) + ". " + entries[i].name);
    const std::size_t preselected = choice.PreselectedIndex();
    const Question question{"Product number [" + std::to_string(preselected + 1) + "]: ",
                            [&entries, preselected](const std::string& line) -> std::optional<int> {
                                if (const std::optional<std::size_t> index =
                                        ChoiceAnswer(line, entries.size(), preselected))
                                    return static_cast<int>(*index);
                                return std::nullopt;
                            },
                            static_cast<int>(preselected),
                            [](int index) { return std::to_string(index + 1); }};
    return static_cast<std::size_t>(Ask(dialog, question).value_or(static_cast<int>(preselected)));
}

void ConsoleFrontEnd::WaitingForUser(CQVUUpdateDlg& dialog) {
    if (dialog.IsBusy()) {
        AnswerWhileBusy(dialog);
        return;
    }
    // Start stays disabled when an error ended the start of the run.
    const WaitingChoice choice =
        dialog.IsStartEnabled() ? WaitingChoice::StartOrCancel : WaitingChoice::CancelOnly;
    const Question question{
        WaitingPrompt(choice),
        [choice](const std::string& line) { return WaitingAnswer(line, choice); }, IDCANCEL,
        WaitingAnswerName};
    if (waitingPrompted_ != choice) {
        view_.Prompt(question.prompt);
        waitingPrompted_ = choice;
    }
    int button = IDCANCEL;
    if (!TakeAnswer(question, button))
        return;
    waitingPrompted_.reset();
    PressDialogButton(dialog.GetSafeHwnd(), button);
}

void ConsoleFrontEnd::AnswerWhileBusy(CQVUUpdateDlg& dialog) {
    std::string line;
    while (TakeInputLine(line) == ConsoleLine::Taken) {
        if (NamesCancel(line)) {
            // Cancel asks whether to interrupt; the next lines answer that.
            PressDialogButton(dialog.GetSafeHwnd(), IDCANCEL);
            return;
        }
        view_.PrintLine("The download is running; type cancel to interrupt it.");
    }
}

std::optional<int> ConsoleFrontEnd::Ask(CQVUUpdateDlg& dialog, const Question& question) {
    openPrompts_.push_back(question.prompt);
    view_.Prompt(question.prompt);
    int answer = 0;
    bool answered = false;
    dialog.RunModalLoop([&] { return answered = answered || TakeAnswer(question, answer); });
    if (!answered)
        view_.Answered("(the dialog has ended)", false);
    openPrompts_.pop_back();
    // Whatever waited before this question asks again.
    waitingPrompted_.reset();
    if (!openPrompts_.empty())
        view_.Prompt(openPrompts_.back());
    if (!answered)
        return std::nullopt;
    return answer;
}

bool ConsoleFrontEnd::TakeAnswer(const Question& question, int& answer) {
    std::string line;
    for (;;) {
        switch (TakeInputLine(line)) {
        case ConsoleLine::NoneYet:
            return false;
        case ConsoleLine::EndOfInput:
            answer = question.atEndOfInput;
            view_.Answered(question.name(answer) + " (end of input)", false);
            return true;
        case ConsoleLine::Taken:
            if (const std::optional<int> given = question.answer(line)) {
                answer = *given;
                view_.Answered(question.name(answer), inputIsTerminal_);
                return true;
            }
            view_.Answered(line, inputIsTerminal_);
            view_.PrintLine("\"" + line + "\" is no answer here.");
            view_.Prompt(question.prompt);
            break;
        }
    }
}
