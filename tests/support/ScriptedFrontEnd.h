// The front end of the controller's tests: answers from a script and a record
// of everything the user would have seen, in order.
#pragma once

#include "app/UpdateFrontEnd.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

class ScriptedFrontEnd : public UpdateFrontEnd {
public:
    struct MessageBoxRecord {
        std::string text;
        std::string caption;
        UINT type;
    };

    // The next message box is answered with button; with until, only once
    // until holds, handling the dialog's posted messages meanwhile (as a box
    // the user leaves open). Unscripted boxes take their default button.
    void AnswerMessageBox(int button, std::function<bool()> until = {});
    // The product choice confirms the entry at index; unscripted, the
    // preselected entry. Each answer is used once.
    void ChooseEntry(std::size_t index);
    // What the user does when the dialog next waits: press Start or Cancel,
    // once when holds (by default: once no download or installation runs).
    // Without a scripted action a waiting dialog is cancelled.
    void PressStart(std::function<bool()> when = {});
    void PressCancel(std::function<bool()> when = {});

    // Everything shown, one line each: "box CAPTION: TEXT", "caption TEXT",
    // "text ID: TEXT", "show ID", "hide ID", "enable ID", "disable ID",
    // "range ID: HIGH", "position ID: N", "choice ENTRY|ENTRY... (PRESELECTED)",
    // "press start", "press cancel", "note CAPTION: TEXT", "browse ADDRESS".
    const std::vector<std::string>& Events() const { return events_; }
    const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
    // The events that start with prefix, in order.
    std::vector<std::string> EventsStartingWith(const std::string& prefix) const;

    void DialogOpened(CQVUUpdateDlg& dialog) override;
    int ShowMessageBox(CQVUUpdateDlg& dialog, const std::string& text, const std::string& caption,
                       UINT type) override;
    void ShowNote(CQVUUpdateDlg& dialog, const std::string& text,
                  const std::string& caption) override;
    void OpenBrowser(CQVUUpdateDlg& dialog, const std::string& address,
                     const std::string& caption) override;
    std::size_t ChooseProduct(CQVUUpdateDlg& dialog, const ProductChoice& choice) override;
    void WaitingForUser(CQVUUpdateDlg& dialog) override;
    void DialogClosed(CQVUUpdateDlg& dialog) override;

private:
    struct Answer {
        int button;
        std::function<bool()> until;
    };
    struct Action {
        int button;
        std::function<bool()> when;
    };

    std::deque<Answer> answers_;
    std::deque<std::size_t> choices_;
    std::deque<Action> actions_;
    std::vector<std::string> events_;
    std::vector<MessageBoxRecord> boxes_;
};
