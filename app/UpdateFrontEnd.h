// What shows the update dialog to the user: a window toolkit, a terminal or a
// test script. The run's logic drives the dialog's model (controls by id in
// the platform's dialog layer) and asks the front end only for what needs an
// answer from the user.
#pragma once

#include "app/protocol/MessageBoxButtons.h"
#include "platform/win_types.h"
#include "platform/window_queue.h"

#include <cstddef>
#include <string>
#include <vector>

class CQVUUpdateDlg;
class ProductChoice;

// Messages a front end posts to the dialog for itself (its input arriving,
// say) start here; the dialog hands them back through HandleFrontEndMessage
// on its own thread.
constexpr UINT WM_APP = 0x8000;

// A click on a button of the dialog (IDOK is Start, IDCANCEL is Cancel), as
// the user makes it: posted, and ignored while the button is disabled.
inline void PressDialogButton(HWND dialog, int buttonId) {
    PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(buttonId), 0); // BN_CLICKED is 0
}

class UpdateFrontEnd {
public:
    virtual ~UpdateFrontEnd() = default;

    // The dialog's window exists, before its controls get their texts: the
    // front end starts showing it (platform::SetDialogListener).
    virtual void DialogOpened(CQVUUpdateDlg& dialog) = 0;

    // A modal message box; answers the button pressed (IDOK ... IDNO). While
    // the user has not answered, the front end keeps the dialog's posted
    // messages flowing with dialog.RunModalLoop, which also returns when the
    // dialog ends meanwhile; the box is then answered with its last button
    // (No or Cancel, OK for a box with only OK).
    virtual int ShowMessageBox(CQVUUpdateDlg& dialog, const std::string& text,
                               const std::string& caption, UINT type) = 0;

    // The modal product choice: answers the index of the entry the user
    // confirmed. The choice cannot be cancelled; an index outside the list
    // keeps it open, and the front end is asked again. Posted messages keep
    // flowing as for a message box.
    virtual std::size_t ChooseProduct(CQVUUpdateDlg& dialog, const ProductChoice& choice) = 0;

    // Every posted message is handled and no handler runs: the dialog waits
    // for the user (Start, when enabled, or Cancel). Called again after each
    // message handled while waiting.
    virtual void WaitingForUser(CQVUUpdateDlg& dialog) = 0;

    // A fact the dialog's messages leave out (the disk is full, the installer did not start), in
    // English, for a front end that has a place for it, such as a console's
    // standard error; caption names the program. Nothing to answer.
    virtual void ShowNote(CQVUUpdateDlg& /*dialog*/, const std::string& /*text*/,
                          const std::string& /*caption*/) {}

    // An http(s) address the user is sent to (the page of a newer update
    // manager). Only a front end of the user's own account may start a
    // browser with it: the default shows it as a note.
    virtual void OpenBrowser(CQVUUpdateDlg& dialog, const std::string& address,
                             const std::string& caption);

    // The update check starts (running) or ends: it runs on the dialog's
    // thread without a break, so no posted message is handled meanwhile. A
    // front end that cannot wait for its end when the user cancels may end
    // the process then, as a Cancel: nothing the check writes is left
    // half-done by that.
    virtual void UpdateCheckRunning(CQVUUpdateDlg& /*dialog*/, bool /*running*/) {}

    // Waits on the dialog's thread until a message is posted to the dialog
    // and takes it; false when it came back without one (woken by something
    // of its own, or after a while), and the loop looks again. The default
    // sleeps on the dialog's queue; a front end with work of its own to do
    // meanwhile (held-back progress to send) wakes for it.
    virtual bool WaitForMessage(CQVUUpdateDlg& dialog, MSG& message);

    // A message of WM_APP or above that the front end posted to the dialog.
    virtual void HandleFrontEndMessage(CQVUUpdateDlg& /*dialog*/, const MSG& /*message*/) {}

    // The dialog has ended; its window still exists until this returns.
    virtual void DialogClosed(CQVUUpdateDlg& /*dialog*/) {}
};
