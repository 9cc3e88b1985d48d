#include "products/InstalledProducts.h"

#include "products/Folders.h"
#include "products/ProductCatalogue.h"
#include "products/ProductInstallation.h"

namespace {

// An empty folder (an installation folder nobody recorded) is no folder to run from.
bool RunsFrom(const std::string& ownFolder, const std::string& folder) {
    return !folder.empty() && IsSameFolder(ownFolder, folder);
}

} // namespace

void DetectInstalledProducts(const std::string& ownFolder, ProductSelection& selection) {
    selection.Installed = 0;
    selection.Selected = NoProduct;
    selection.SettingsFolder.clear();
    selection.InstallationFolder.clear();

    for (const Product product : AllProducts()) {
        std::string settingsFolder;
        std::string installationFolder;
        if (!ReadProductInstallation(product, &settingsFolder, &installationFolder))
            continue;
        selection.Installed |= product;
        if (RunsFrom(ownFolder, settingsFolder) || RunsFrom(ownFolder, installationFolder)) {
            selection.Selected = product;
            selection.SettingsFolder = settingsFolder;
            selection.InstallationFolder = installationFolder;
        }
    }
}
