// The update dialog shown by the window program of the desktop's user, over
// the front-end protocol (app/protocol/FrontEndProtocol.h) on a pair of
// pipes. The engine runs as the administrator and trusts the window with
// nothing but the user's acts: a message that does not parse, is too long,
// is unknown, answers a question not asked, or a pipe that breaks, ends the
// run as a Cancel would, without a question. A Cancel (or a lost window)
// that the dialog's thread cannot take within a moment because the update
// check holds it ends the process with the status of a Cancel.
//
// Two threads of its own: one reads the window's messages and posts them to
// the dialog; one writes, so that a window that stops reading never holds
// the dialog's thread (past a bound, such a window is lost).
#pragma once

#include "app/UpdateFrontEnd.h"
#include "platform/dialog_controls.h"
#include "platform/locale.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class RemoteFrontEnd : public UpdateFrontEnd {
public:
    // fromWindow and toWindow: the pipe's ends, owned from now on.
    RemoteFrontEnd(HANDLE fromWindow, HANDLE toWindow);
    ~RemoteFrontEnd() override;
    RemoteFrontEnd(const RemoteFrontEnd&) = delete;
    RemoteFrontEnd& operator=(const RemoteFrontEnd&) = delete;

    // Greets the window with the protocol's version and the language of
    // the run's texts, and waits up to timeoutMs for its greeting. False,
    // with why in English, when none comes or the window speaks another
    // version; then nothing more is sent.
    bool Connect(LANGID language, DWORD timeoutMs, std::string& why);

    void DialogOpened(CQVUUpdateDlg& dialog) override;
    int ShowMessageBox(CQVUUpdateDlg& dialog, const std::string& text, const std::string& caption,
                       UINT type) override;
    std::size_t ChooseProduct(CQVUUpdateDlg& dialog, const ProductChoice& choice) override;
    // The window's Start button waits by itself.
    void WaitingForUser(CQVUUpdateDlg& /*dialog*/) override {}
    void ShowNote(CQVUUpdateDlg& dialog, const std::string& text,
                  const std::string& caption) override;
    void OpenBrowser(CQVUUpdateDlg& dialog, const std::string& address,
                     const std::string& caption) override;
    void UpdateCheckRunning(CQVUUpdateDlg& dialog, bool running) override;
    bool WaitForMessage(CQVUUpdateDlg& dialog, MSG& message) override;
    void HandleFrontEndMessage(CQVUUpdateDlg& dialog, const MSG& message) override;
    void DialogClosed(CQVUUpdateDlg& dialog) override;

    // The shared state of the threads, which may outlive this object.
    struct Channel;

private:
    // A box or the choice the window was asked; answers are buttons, or
    // entries counted from 1.
    struct Question {
        enum Kind { Box, Choice } kind;
        std::vector<int> answers;
        int answer = 0;
    };

    void ShowChange(const platform::DialogChange& change);
    void SendChange(const platform::DialogChange& change);
    void SendHeldProgress();
    // Opens a question and handles the dialog's messages until the window
    // answers it or the dialog ends; the answer, or 0.
    int Ask(CQVUUpdateDlg& dialog, const std::string& frame, unsigned question);
    // Records the window's answer (kActAnswer, kActChoose); false when it
    // answers what was never asked or with what the question does not offer.
    bool TakeAnswer(const MSG& message);

    std::shared_ptr<Channel> channel_;
    std::map<unsigned, Question> questions_;
    unsigned lastQuestion_ = 0;
    // Progress changes held back so that at most about 60 a second go out.
    std::vector<platform::DialogChange> heldProgress_;
    DWORD progressSentAt_ = 0;
};
