#include "app/SelectProductDlg.h"

#include "app/ProductChoice.h"
#include "app/QVUUpdateDlg.h"
#include "app/UpdateFrontEnd.h"

CSelectProductDlg::CSelectProductDlg(CQVUUpdateDlg& parent, ProductSet installed,
                                     const ApplicationProfile& profile, UpdateFrontEnd& frontEnd)
    : m_Parent(parent), m_Installed(installed), m_Profile(profile), m_FrontEnd(frontEnd) {}

INT_PTR CSelectProductDlg::DoModal() {
    ProductChoice choice(m_Installed, m_Profile, m_Parent.Texts());
    // Only OK leaves the dialog, and only with an entry of the list.
    while (m_ChosenProduct == NoProduct && !m_Parent.HasEnded())
        m_ChosenProduct = choice.Choose(m_FrontEnd.ChooseProduct(m_Parent, choice));
    return m_ChosenProduct == NoProduct ? IDCANCEL : IDOK;
}
