#include "app/SelectProductDlg.h"

#include "app/QVUUpdateDlg.h"
#include "app/UpdateFrontEnd.h"
#include "products/ProductCatalogue.h"

namespace {} // namespace

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

CSelectProductDlg::CSelectProductDlg(CQVUUpdateDlg& parent, ProductSet installed,
                                     const ApplicationProfile& profile, UpdateFrontEnd& frontEnd)
    : parent_(parent), installed_(installed), profile_(profile), frontEnd_(frontEnd) {}

INT_PTR CSelectProductDlg::DoModal() {
    ProductChoice choice(installed_, profile_, parent_.Texts());
    // Only OK leaves the dialog, and only with an entry of the list.
    while (chosenProduct_ == NoProduct && !parent_.HasEnded())
        chosenProduct_ = choice.Choose(frontEnd_.ChooseProduct(parent_, choice));
    return chosenProduct_ == NoProduct ? IDCANCEL : IDOK;
}
