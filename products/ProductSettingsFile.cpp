#include "products/ProductSettingsFile.h"

#include "platform/profile.h"

#include <vector>

std::string SettingsFilePath(const std::string& settingsFolder) {
    return settingsFolder + "Rered.ini";
}

std::string ReadRecordedProgramFolder(const std::string& settingsFolder, const char* defaultValue,
                                      DWORD bufferSize) {
    std::vector<char> buffer(bufferSize, '\0');
    GetPrivateProfileStringA("VAZuvedev_#_Locations", "Base", defaultValue, buffer.data(),
                             bufferSize, SettingsFilePath(settingsFolder).c_str());
    return buffer.data();
}
