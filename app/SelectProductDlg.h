// The product selection dialog: when several products are installed and none
// was preselected, the user chooses the one to update. It cannot be left
// without a choice, and it remembers the choice per user.
#pragma once

#include "app/ApplicationProfile.h"
#include "platform/win_types.h"
#include "products/Product.h"

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
    Product m_ChosenProduct = NoProduct;

private:
    CQVUUpdateDlg& m_Parent;
    ProductSet m_Installed;
    const ApplicationProfile& m_Profile;
    UpdateFrontEnd& m_FrontEnd;
};
