// The first step of retrieval in every update run: fetch the update
// description file, check it, and show the version it offers.
#pragma once

#include "platform/win_types.h"
#include "products/Product.h"

#include <string>

class XMLLocalizer;

// The offered-version label of the update dialog.
constexpr int kOfferedVersionControl = 1003;

// Downloads QVU.ini from the update server into the settings folder's
// Update\ folder, checks its format versions and reads the selected
// product's VersionLong into offeredVersion. Answers true when the offered
// version is known and shown in the dialog's label; false after the failure
// was shown in the label and (but for a product without a release) in a
// message box owned by the dialog and captioned with caption.
bool EvaluateUpdateDescription(Product selected, const std::string& settingsFolder,
                               const XMLLocalizer& localizer, HWND dialog, const char* caption,
                               std::string& offeredVersion);
