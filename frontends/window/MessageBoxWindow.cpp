#include "frontends/window/MessageBoxWindow.h"

#include "app/protocol/MessageBoxButtons.h"
#include "platform/window.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/stockitem.h>

namespace {

// Text lines wrap at this width, as a Windows box wraps long messages.
constexpr int kTextWidth = 420;

// The toolkit's stock button for a box button, whose label and mnemonic it
// translates.
wxWindowID StockId(int button) {
    switch (button) {
    case IDCANCEL:
        return wxID_CANCEL;
    case IDABORT:
        return wxID_ABORT;
    case IDRETRY:
        return wxID_RETRY;
    case IDIGNORE:
        return wxID_IGNORE;
    case IDYES:
        return wxID_YES;
    case IDNO:
        return wxID_NO;
    default:
        return wxID_OK;
    }
}

// The icon of the style's MB_ICON bits; none for a box without one.
long IconStyle(UINT type) {
    switch (type & 0xF0) {
    case MB_ICONERROR:
        return wxICON_ERROR;
    case MB_ICONQUESTION:
        return wxICON_QUESTION;
    case MB_ICONEXCLAMATION:
        return wxICON_WARNING;
    case MB_ICONINFORMATION:
        return wxICON_INFORMATION;
    default:
        return 0;
    }
}

// The button Escape and the close box press: the one that leaves the box
// when it is Cancel or a lone OK; 0 when the box must be answered (Yes/No,
// Abort/Retry/Ignore).
int EscapeButton(UINT type) {
    const int leaving = DismissingMessageBoxButton(type);
    return leaving == IDCANCEL || leaving == IDOK ? leaving : 0;
}

} // namespace

MessageBoxWindow::MessageBoxWindow(wxWindow* parent, const std::string& text,
                                   const std::string& caption, UINT type)
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8(caption), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | (EscapeButton(type) != 0 ? wxSYSTEM_MENU | wxCLOSE_BOX : 0)),
      type_(type) {
    auto* top = new wxBoxSizer(wxHORIZONTAL);
    if (const long icon = IconStyle(type))
        top->Add(new wxStaticBitmap(this, wxID_ANY, wxArtProvider::GetMessageBoxIcon(icon)), 0,
                 wxALL | wxALIGN_TOP, 12);
    // Narrow texts are in the ANSI code page, which is UTF-8 here.
    auto* message = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(text));
    message->Wrap(kTextWidth);
    top->Add(message, 1, wxALL | wxALIGN_CENTER_VERTICAL, 12);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    const int defaultButton = DefaultMessageBoxButton(type);
    for (int id : MessageBoxButtonIds(type)) {
        // The label as wxWidgets translates it, on a button of no stock id:
        // GTK would draw its own stock label, in the C library's locale.
        auto* button = new wxButton(this, wxID_ANY, wxGetStockLabel(StockId(id)));
        button->Bind(wxEVT_BUTTON, [this, id](wxCommandEvent&) { Press(id); });
        buttons->Add(button, 0, wxALL, 4);
        if (id == defaultButton) {
            button->SetDefault();
            button->SetFocus();
        }
    }
    auto* all = new wxBoxSizer(wxVERTICAL);
    all->Add(top, 1, wxEXPAND);
    all->Add(buttons, 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, 8);
    SetSizerAndFit(all);
    CentreOnParent();
    // Escape goes to the box's own handler instead of the toolkit's.
    SetEscapeId(wxID_NONE);
    Bind(wxEVT_CHAR_HOOK, &MessageBoxWindow::OnCharHook, this);
    Bind(wxEVT_CLOSE_WINDOW, &MessageBoxWindow::OnClose, this);
}

void MessageBoxWindow::Press(int button) {
    if (answer_ != 0)
        return;
    answer_ = button;
    if (answered_)
        answered_(button);
}

void MessageBoxWindow::OnCharHook(wxKeyEvent& event) {
    if (event.GetKeyCode() != WXK_ESCAPE) {
        event.Skip();
        return;
    }
    if (const int button = EscapeButton(type_))
        Press(button);
}

void MessageBoxWindow::OnClose(wxCloseEvent& event) {
    if (event.CanVeto())
        event.Veto();
    if (const int button = EscapeButton(type_))
        Press(button);
}
