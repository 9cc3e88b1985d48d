#include "tests/support/ScriptedFrontEnd.h"

#include "app/QVUUpdateDlg.h"
#include "app/SelectProductDlg.h"
#include "app/UpdateFrontEnd.h"
#include "platform/dialog_controls.h"

namespace {

std::string DescribeChange(const platform::DialogChange& change) {
    const std::string id = std::to_string(change.controlId);
    const platform::DialogControlState& control = change.control;
    switch (change.kind) {
    case platform::DialogChangeKind::Caption:
        return "caption " + control.text;
    case platform::DialogChangeKind::Text:
        return "text " + id + ": " + control.text;
    case platform::DialogChangeKind::Visible:
        return (control.visible ? "show " : "hide ") + id;
    case platform::DialogChangeKind::Enabled:
        return (control.enabled ? "enable " : "disable ") + id;
    case platform::DialogChangeKind::ProgressRange:
        return "range " + id + ": " + std::to_string(control.rangeHigh);
    case platform::DialogChangeKind::ProgressPosition:
        return "position " + id + ": " + std::to_string(control.position);
    }
    return "";
}

} // namespace

void ScriptedFrontEnd::AnswerMessageBox(int button, std::function<bool()> until) {
    answers_.push_back({button, std::move(until)});
}

void ScriptedFrontEnd::ChooseEntry(std::size_t index) {
    choices_.push_back(index);
}

void ScriptedFrontEnd::PressStart(std::function<bool()> when) {
    actions_.push_back({IDOK, std::move(when)});
}

void ScriptedFrontEnd::PressCancel(std::function<bool()> when) {
    actions_.push_back({IDCANCEL, std::move(when)});
}

std::vector<std::string> ScriptedFrontEnd::EventsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& event : events_)
        if (event.rfind(prefix, 0) == 0)
            found.push_back(event);
    return found;
}

void ScriptedFrontEnd::DialogOpened(CQVUUpdateDlg& dialog) {
    platform::SetDialogListener(dialog.GetSafeHwnd(), [this](const platform::DialogChange& change) {
        events_.push_back(DescribeChange(change));
    });
}

int ScriptedFrontEnd::ShowMessageBox(CQVUUpdateDlg& dialog, const std::string& text,
                                     const std::string& caption, UINT type) {
    events_.push_back("box " + caption + ": " + text);
    boxes_.push_back({text, caption, type});
    if (answers_.empty())
        return DefaultMessageBoxButton(type);
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    if (answer.until) {
        dialog.RunModalLoop(answer.until);
        if (dialog.HasEnded() && !answer.until())
            return DismissingMessageBoxButton(type);
    }
    return answer.button;
}

void ScriptedFrontEnd::ShowNote(CQVUUpdateDlg&, const std::string& text,
                                const std::string& caption) {
    events_.push_back("note " + caption + ": " + text);
}

void ScriptedFrontEnd::OpenBrowser(CQVUUpdateDlg&, const std::string& address, const std::string&) {
    events_.push_back("browse " + address);
}

std::size_t ScriptedFrontEnd::ChooseProduct(CQVUUpdateDlg&, const ProductChoice& choice) {
    std::string listed;
    for (const ProductChoiceEntry& entry : choice.Entries())
        listed += (listed.empty() ? "" : "|") + entry.name;
    events_.push_back("choice " + listed + " (" + std::to_string(choice.PreselectedIndex()) + ")");
    if (choices_.empty())
        return choice.PreselectedIndex();
    const std::size_t index = choices_.front();
    choices_.pop_front();
    return index;
}

void ScriptedFrontEnd::WaitingForUser(CQVUUpdateDlg& dialog) {
    if (actions_.empty()) {
        // Nothing more to do: a waiting dialog is left, a running one awaited.
        if (!dialog.IsBusy()) {
            events_.push_back("press cancel");
            PressDialogButton(dialog.GetSafeHwnd(), IDCANCEL);
        }
        return;
    }
    Action& next = actions_.front();
    const bool ready = next.when ? next.when() : !dialog.IsBusy();
    if (!ready)
        return;
    events_.push_back(next.button == IDOK ? "press start" : "press cancel");
    PressDialogButton(dialog.GetSafeHwnd(), next.button);
    actions_.pop_front();
}

void ScriptedFrontEnd::DialogClosed(CQVUUpdateDlg& dialog) {
    platform::SetDialogListener(dialog.GetSafeHwnd(), {});
}
