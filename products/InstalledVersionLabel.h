// The update dialog's label of the installed product and its version.
#pragma once

#include "platform/win_types.h"
#include "products/ProductSelection.h"

// The update dialog's control that shows the installed product's version.
constexpr int kInstalledVersionControl = 1001;

// Reads the version module of the selected product's installation folder,
// keeps its file version as the installed version and shows the product's
// name with both versions in the dialog's installed-version control.
void ShowInstalledVersion(HWND dialog, ProductSelection& selection);
