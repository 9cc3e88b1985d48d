#include "update/UpdateDescription.h"

#include "update/ProfileText.h"
#include "update/ServerAddresses.h"

std::string UpdateDescriptionPath(const std::string& settingsFolder) {
    return settingsFolder + "Update\\QVU.ini";
}

std::string UpdateDescriptionAddress() {
    return UpdateServerBaseAddress() + "/QVU.ini";
}

DescriptionFormat CheckDescriptionFormat(const std::string& descriptionPath,
                                         std::string& foundVersion) {
    foundVersion = ReadProfileText(descriptionPath, "QVU.ini", "ver");
    if (foundVersion.empty())
        return DescriptionFormat::Missing;
    if (foundVersion != kDescriptionFormatVersion)
        return DescriptionFormat::WrongVersion;
    foundVersion = ReadProfileText(descriptionPath, "QVU.end", "ver");
    if (foundVersion != kDescriptionFormatVersion)
        return DescriptionFormat::WrongVersion;
    return DescriptionFormat::Ok;
}
