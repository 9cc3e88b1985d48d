#include "frontends/window/ProductChoiceWindow.h"

#include "app/DialogTemplates.h"
#include "frontends/window/TemplateLayout.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/panel.h>
#include <wx/stattext.h>

ProductChoiceWindow::ProductChoiceWindow(wxWindow* parent, const std::string& caption,
                                         const std::string& prompt,
                                         const std::vector<std::string>& entries,
                                         std::size_t preselected)
    // A caption without a system menu: no close box.
    : wxDialog(parent, wxID_ANY, wxString::FromUTF8(caption), wxDefaultPosition, wxDefaultSize,
               wxCAPTION) {
    auto* panel = new wxPanel(this);
    UseDialogFont(*panel);
    const auto rect = [panel](int id) {
        return TemplatePixels(*panel, TemplateRect(kChoiceDialogItems, id));
    };
    // The template's order is the tab order: OK first, then the list.
    auto* ok = new wxButton(panel, kChoiceOkButton, "OK", rect(kChoiceOkButton).GetPosition(),
                            rect(kChoiceOkButton).GetSize());
    // Narrow texts are in the ANSI code page, which is UTF-8 here.
    auto* text = new wxStaticText(panel, kChoicePrompt, wxString::FromUTF8(prompt),
                                  rect(kChoicePrompt).GetPosition(), rect(kChoicePrompt).GetSize(),
                                  wxST_NO_AUTORESIZE);
    text->Wrap(rect(kChoicePrompt).GetWidth());
    // The template's height includes the opened list; closed, it is one line.
    list_ = new wxChoice(panel, kChoiceList, rect(kChoiceList).GetPosition(),
                         wxSize(rect(kChoiceList).GetWidth(), -1));
    for (const std::string& entry : entries)
        list_->Append(wxString::FromUTF8(entry));
    if (preselected < entries.size())
        list_->SetSelection(static_cast<int>(preselected));

    ok->SetDefault();
    ok->SetFocus();
    ok->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Confirm(); });
    FixTemplateSize(*this, *panel, kChoiceDialogSize);
    CentreOnParent();
    SetEscapeId(wxID_NONE);
    Bind(wxEVT_CHAR_HOOK, &ProductChoiceWindow::OnCharHook, this);
    // Closing is refused: only OK leaves the choice.
    Bind(wxEVT_CLOSE_WINDOW, [](wxCloseEvent& event) {
        if (event.CanVeto())
            event.Veto();
    });
}

void ProductChoiceWindow::Confirm() {
    if (chosen_)
        return;
    const int selection = list_->GetSelection();
    index_ = selection < 0 ? 0 : static_cast<std::size_t>(selection);
    chosen_ = true;
    if (chosenHandler_)
        chosenHandler_(index_);
}

void ProductChoiceWindow::OnCharHook(wxKeyEvent& event) {
    switch (event.GetKeyCode()) {
    case WXK_ESCAPE:
        return; // does nothing, as the dialog's Cancel does nothing
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
        Confirm(); // Enter presses the default button, from the list too
        return;
    default:
        event.Skip();
    }
}
