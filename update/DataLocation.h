// The folders of a product's active data path: its settings name data paths
// (Rered.ini, section VAZuvedev_#_Datapaths), each with a settings file of
// its own that names the folder of every location (e.g. Log).
#pragma once

#include <string>

// The folder of location locationName in the active data path of the product
// whose settings folder (ending with a backslash) is given; with
// closingBackslash a missing final backslash is added. Empty when there is no
// data path, its settings file cannot be read, or the location is not named.
std::string ResolveDataLocation(const std::string& settingsFolder, const char* locationName,
                                bool closingBackslash);
