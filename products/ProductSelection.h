// What the update run knows about the installed products and the one it
// updates; the update dialog holds one.
#pragma once

#include "products/Product.h"

#include <string>

struct ProductSelection {
    ProductSet Installed = 0;
    // NoProduct until chosen.
    Product Selected = NoProduct;
    // The selected product's folders, each ending with a backslash.
    std::string SettingsFolder;
    std::string InstallationFolder;
    // The installed product's file version, as the installed-version label shows it.
    std::string InstalledVersion;
};
