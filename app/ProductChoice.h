// The product selection (CSelectProductDlg) without a window: what the list
// offers, which entry comes preselected, and what confirming stores. A front
// end shows the entries and reports the user's pick.
#pragma once

#include "app/ApplicationProfile.h"
#include "localization/XMLLocalizer.h"
#include "products/Product.h"

#include <cstddef>
#include <string>
#include <vector>

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
