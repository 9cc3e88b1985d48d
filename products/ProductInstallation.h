// Where an installed product keeps its settings and its program files, as
// its installer recorded them in the machine's registry.
#pragma once

#include "products/Product.h"

#include <string>

// True when product is installed: its settings folder is recorded and holds
// Rered.ini. Then fills the outputs given (null ones are skipped): the
// settings folder, and the installation folder (recorded, else the one
// Rered.ini names, possibly empty). Both end with a backslash unless empty.
bool ReadProductInstallation(Product product, std::string* settingsFolder,
                             std::string* installationFolder);
