// Finds the installed products when the update manager starts.
#pragma once

#include "products/ProductSelection.h"

#include <string>

// Fills the installed set of selection. When ownFolder (the update manager's
// folder, ending with a backslash) is the settings or installation folder of
// an installed product, that product is selected with its folders; of
// several such products the last in ascending order wins.
void DetectInstalledProducts(const std::string& ownFolder, ProductSelection& selection);
