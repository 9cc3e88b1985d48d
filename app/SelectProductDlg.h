// The product selection dialog: when several products are installed and none
// was preselected, the user chooses the one to update. It cannot be left
// without a choice, and it remembers the choice per user.
#pragma once

#include "app/QVUUpdateApp.h"
#include "localization/XMLLocalizer.h"
#include "platform/win_types.h"
#include "products/ProductCatalogue.h"

#include <cstddef>
#include <string>
#include <vector>

class CQVUUpdateDlg;
class UpdateFrontEnd;

class CSelectProductDlg {
public:
    // parent's translation table gives the texts; profile keeps the last
    // choice. All must outlive the dialog.
    CSelectProductDlg(CQVUUpdateDlg& parent, ProductSet installed,
                      const ApplicationProfile& profile, UpdateFrontEnd& frontEnd);

    // Shows the choice until the user confirms an entry; answers IDOK, or
    // IDCANCEL when the parent ended meanwhile and nothing was chosen.
    INT_PTR DoModal();

    // The confirmed product; NoProduct until then.
    Product ChosenProduct() const { return chosenProduct_; }

private:
    CQVUUpdateDlg& parent_;
    ProductSet installed_;
    const ApplicationProfile& profile_;
    UpdateFrontEnd& frontEnd_;
    Product chosenProduct_ = NoProduct;
};

// ---- The choice without a window ----
// What the list offers, which entry comes preselected, and what confirming
// stores. A front end shows the entries and reports the user's pick.

// The profile value that remembers the last confirmed choice (a Product).
inline constexpr const char* kLastSelectedProductEntry = "LastSelectedProduct";

struct ProductChoiceEntry {
    Product product;
    std::string name; // the product's SelectionName
};

class ProductChoice {
public:
    // Offers the products of installed in the selection order; the entry of
    // the last confirmed product is preselected, else the first. profile and
    // texts are kept by reference and must outlive the choice.
    ProductChoice(ProductSet installed, const ApplicationProfile& profile,
                  const XMLLocalizer& texts);

    std::string Caption() const;
    std::string Prompt() const;
    const std::vector<ProductChoiceEntry>& Entries() const { return entries_; }
    // 0 also when there are no entries.
    std::size_t PreselectedIndex() const { return preselected_; }

    // OK on the entry at index: remembers it in the profile and answers it.
    // An index outside the list chooses nothing, stores nothing and answers
    // NoProduct.
    Product Choose(std::size_t index);
    // Escape or Cancel: the choice cannot be left without a product, so it
    // stays open; answers false (not closed) and stores nothing.
    bool Cancel() const { return false; }

    // NoProduct until a product was chosen.
    Product ChosenProduct() const { return chosen_; }

private:
    const ApplicationProfile& profile_;
    const XMLLocalizer& texts_;
    std::vector<ProductChoiceEntry> entries_;
    std::size_t preselected_ = 0;
    Product chosen_ = NoProduct;
};
