#include "products/ProductInstallation.h"

#include "platform/files.h"
#include "platform/registry.h"
#include "products/Folders.h"
#include "products/ProductCatalogue.h"
#include "products/ProductSettingsFile.h"

namespace {

// The folder in the default value of a key below HKEY_LOCAL_MACHINE.
bool ReadRecordedFolder(const std::string& keyPath, std::string& folder) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    // One byte beyond the value's room keeps a value stored without its
    // terminator (or not as text at all) terminated.
    char buffer[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    const LONG result =
        RegQueryValueExA(key, "", nullptr, nullptr, reinterpret_cast<LPBYTE>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return false;
    folder = WithTrailingBackslash(buffer);
    return true;
}

} // namespace

bool ReadProductInstallation(Product product, std::string* settingsFolder,
                             std::string* installationFolder) {
    const ProductInfo& info = FindProduct(product);
    if (info.Value == NoProduct)
        return false;
    const std::string registryKey = info.RegistryKey;

    // An empty folder would name the current folder, which is nobody's
    // settings folder.
    std::string settings;
    if (!ReadRecordedFolder(registryKey + "IniFilePath", settings) || settings.empty() ||
        _access(SettingsFilePath(settings).c_str(), 0) != 0)
        return false;

    if (settingsFolder)
        *settingsFolder = settings;
    if (installationFolder && !ReadRecordedFolder(registryKey + "InstallPath", *installationFolder))
        *installationFolder =
            WithTrailingBackslash(ReadRecordedProgramFolder(settings, "", MAX_PATH));
    return true;
}
