// A message box as Windows draws one for the MB_ styles: caption, icon,
// text and buttons, with the style's default button focused. Escape and the
// close box leave it with Cancel, or with OK when that is its only button;
// a Yes/No box can only be answered. It only collects the answer: whoever
// shows it keeps the update dialog's messages flowing until it is answered.
#pragma once

#include "platform/win_types.h"

#include <wx/dialog.h>

#include <string>

class MessageBoxWindow : public wxDialog {
public:
    MessageBoxWindow(wxWindow* parent, const std::string& text, const std::string& caption,
                     UINT type);

    bool IsAnswered() const { return answer_ != 0; }
    // The button pressed (IDOK ... IDNO); 0 until then.
    int Answer() const { return answer_; }

private:
    void Press(int button);
    void OnCharHook(wxKeyEvent& event);
    void OnClose(wxCloseEvent& event);

    UINT type_;
    int answer_ = 0;
};
