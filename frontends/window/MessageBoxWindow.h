// A message box as Windows draws one for the MB_ styles: caption, icon,
// text and buttons, with the style's default button focused. Escape and the
// close box leave it with Cancel, or with OK when that is its only button;
// a Yes/No box can only be answered. Its buttons speak the language the
// toolkit's translations were set to.
#pragma once

#include "platform/win_types.h"

#include <wx/dialog.h>

#include <functional>
#include <string>

class MessageBoxWindow : public wxDialog {
public:
    MessageBoxWindow(wxWindow* parent, const std::string& text, const std::string& caption,
                     UINT type);

    // Called once, with the button pressed.
    void SetAnswerHandler(std::function<void(int)> answered) { answered_ = std::move(answered); }

    bool IsAnswered() const { return answer_ != 0; }
    // The button pressed (IDOK ... IDNO); 0 until then.
    int Answer() const { return answer_; }

private:
    void Press(int button);
    void OnCharHook(wxKeyEvent& event);
    void OnClose(wxCloseEvent& event);

    UINT type_;
    std::function<void(int)> answered_;
    int answer_ = 0;
};
