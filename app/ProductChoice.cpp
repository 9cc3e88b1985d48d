#include "app/ProductChoice.h"

#include "products/ProductCatalogue.h"

ProductChoice::ProductChoice(ProductSet installed, const ApplicationProfile& profile,
                             const XMLLocalizer& texts)
    : profile_(profile), texts_(texts) {
    // The profile section is empty: the value sits in the application's own key.
    const UINT last = profile_.GetProfileIntA("", kLastSelectedProductEntry, NoProduct);
    for (Product product : SelectionOrder()) {
        if ((installed & product) == 0)
            continue;
        if (product == last)
            preselected_ = entries_.size();
        entries_.push_back({product, FindProduct(product).SelectionName});
    }
}

std::string ProductChoice::Caption() const {
    return texts_.GetText("SELECTPROD_HEADLINE");
}

std::string ProductChoice::Prompt() const {
    return texts_.GetText("SELECTPROD_TEXT");
}

Product ProductChoice::Choose(std::size_t index) {
    if (index >= entries_.size())
        return NoProduct;
    chosen_ = entries_[index].product;
    profile_.WriteProfileIntA("", kLastSelectedProductEntry, static_cast<int>(chosen_));
    return chosen_;
}
