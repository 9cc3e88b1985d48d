// The product choice on screen, laid out as template 131: the prompt, a
// drop-down list of the installed products and OK. It has no close box and
// Escape does nothing: OK is the only way out. It only collects the choice:
// whoever shows it keeps the update dialog's messages flowing meanwhile.
#pragma once

#include <wx/dialog.h>

#include <cstddef>

class ProductChoice;
class wxChoice;

class ProductChoiceWindow : public wxDialog {
public:
    // Offers choice's entries with its preselected one.
    ProductChoiceWindow(wxWindow* parent, const ProductChoice& choice);

    bool IsChosen() const { return chosen_; }
    // The entry selected when OK was pressed.
    std::size_t ChosenIndex() const { return index_; }

    wxChoice& List() const { return *list_; }

private:
    void Confirm();
    void OnCharHook(wxKeyEvent& event);

    wxChoice* list_;
    bool chosen_ = false;
    std::size_t index_ = 0;
};
