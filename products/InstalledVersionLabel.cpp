#include "products/InstalledVersionLabel.h"

#include "base/KxString.h"
#include "platform/dialog_controls.h"
#include "products/ModuleVersion.h"
#include "products/ProductCatalogue.h"

void ShowInstalledVersion(HWND dialog, ProductSelection& selection) {
    ReadModuleVersion(selection.InstallationFolder);
    const ModuleVersionInfo version = CurrentModuleVersion();
    selection.InstalledVersion = version.fileVersion;

    const ProductInfo& product = FindProduct(selection.Selected);
    KxString label;
    label.Format(product.DisplayFormat, version.EditionVersionOf(product.Edition).c_str(),
                 version.fileVersion.c_str());
    SetDlgItemTextA(dialog, kInstalledVersionControl, label);
}
