// The product choice on screen, laid out as template 131: the prompt, a
// drop-down list of the installed products and OK. It has no close box and
// Escape does nothing: OK is the only way out.
#pragma once

#include <wx/dialog.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class wxChoice;

class ProductChoiceWindow : public wxDialog {
public:
    // Offers entries with the one at preselected selected.
    ProductChoiceWindow(wxWindow* parent, const std::string& caption, const std::string& prompt,
                        const std::vector<std::string>& entries, std::size_t preselected);

    // Called once, with the index selected when OK is pressed.
    void SetChosenHandler(std::function<void(std::size_t)> chosen) {
        chosenHandler_ = std::move(chosen);
    }

    bool IsChosen() const { return chosen_; }
    // The entry selected when OK was pressed.
    std::size_t ChosenIndex() const { return index_; }

    wxChoice& List() const { return *list_; }

private:
    void Confirm();
    void OnCharHook(wxKeyEvent& event);

    wxChoice* list_;
    std::function<void(std::size_t)> chosenHandler_;
    bool chosen_ = false;
    std::size_t index_ = 0;
};
