#include "update/DataLocation.h"

#include "platform/files.h"
#include "platform/profile.h"
#include "update/ProfileText.h"

namespace {

constexpr char kDatapathsSection[] = "VAZuvedev_#_Datapaths";
constexpr char kLocationsSection[] = "VAZuvedev_#_Locations";
// The settings file of a data path that is named by its folder.
constexpr char kDataSettingsName[] = "QVUD.ini";

} // namespace

std::string ResolveDataLocation(const std::string& settingsFolder, const char* locationName,
                                bool closingBackslash) {
    const std::string productSettings = settingsFolder + "Rered.ini";
    const UINT active =
        GetPrivateProfileIntA(kDatapathsSection, "NextActivePath", 0, productSettings.c_str());
    const std::string pathKey = "Path" + std::to_string(active);
    std::string dataSettings = ReadProfileText(productSettings, kDatapathsSection, pathKey.c_str());
    if (dataSettings.empty())
        return {};
    if (dataSettings.back() == '\\')
        dataSettings += kDataSettingsName;
    if (_access(dataSettings.c_str(), 4) != 0)
        return {};

    std::string location = ReadProfileText(dataSettings, kLocationsSection, locationName);
    if (!location.empty() && closingBackslash && location.back() != '\\')
        location += '\\';
    return location;
}
