#include "products/ProductDetection.h"

#include "base/KxString.h"
#include "platform/dialog_controls.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/strings.h"
#include "platform/version.h"
#include "products/ProductCatalogue.h"
#include "settings/QVRegistry.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <vector>

namespace {

// Folder texts are kept Windows-style, ending with a backslash so that file
// names are appended directly; an empty text stays empty (the current folder).
std::string WithTrailingBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

// Windows folder names do not tell letter case apart.
bool IsSameFolder(const std::string& a, const std::string& b) {
    return _mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                    reinterpret_cast<const unsigned char*>(b.c_str())) == 0;
}

// The product's main settings file in its settings folder.
std::string SettingsFilePath(const std::string& settingsFolder) {
    return settingsFolder + "Rered.ini";
}

// The program folder the settings file records (key Base of section
// VAZuvedev_#_Locations), read into a buffer of bufferSize bytes;
// defaultValue when the file, section or key is missing.
std::string ReadRecordedProgramFolder(const std::string& settingsFolder, const char* defaultValue,
                                      DWORD bufferSize) {
    std::vector<char> buffer(bufferSize, '\0');
    GetPrivateProfileStringA("VAZuvedev_#_Locations", "Base", defaultValue, buffer.data(),
                             bufferSize, SettingsFilePath(settingsFolder).c_str());
    return buffer.data();
}

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

// An empty folder (an installation folder nobody recorded) is no folder to run from.
bool RunsFrom(const std::string& ownFolder, const std::string& folder) {
    return !folder.empty() && IsSameFolder(ownFolder, folder);
}

struct EditionNumbers {
    std::int64_t x;
    std::int64_t y; // wide: the Hulo numbering adds to V2
};

EditionNumbers OlvinOrDorvane(const FileVersionNumbers& v) {
    return v.V1 >= 1 && v.V1 <= 5 ? EditionNumbers{v.V1, v.V2} : EditionNumbers{0, v.V2};
}

// Zetra had no releases of series 1 and 2.
EditionNumbers Zetra(const FileVersionNumbers& v) {
    if (v.V1 == 1 || v.V1 == 2)
        return {0, 0};
    return v.V1 >= 3 && v.V1 <= 5 ? EditionNumbers{v.V1, v.V2} : EditionNumbers{0, v.V2};
}

// Hulo counted on in series 1 through the program's series 2 and early 3
// releases.
EditionNumbers Hulo(const FileVersionNumbers& v) {
    switch (v.V1) {
    case 1:
        return {1, v.V2};
    case 2:
        return v.V2 == 99 ? EditionNumbers{2, 99} : EditionNumbers{1, std::int64_t{v.V2} + 3};
    case 3:
        if (v.V2 < 8 || (v.V2 == 8 && v.V3 <= 3))
            return {1, std::int64_t{v.V2} + 20};
        return {3, v.V2};
    case 4:
    case 5:
        return {v.V1, v.V2};
    default:
        return {0, v.V2};
    }
}

EditionNumbers NumbersOf(EditionLine line, const FileVersionNumbers& version) {
    switch (line) {
    case EditionLine::Zetra:
        return Zetra(version);
    case EditionLine::Hulo:
        return Hulo(version);
    case EditionLine::Olvin:
    case EditionLine::Dorvane:
    case EditionLine::None:
        break;
    }
    return OlvinOrDorvane(version);
}

constexpr const char* kModuleName = "QVVer.dll";
// The buffers the module's second location is read with.
constexpr int kLocationBufferSize = 255;

std::mutex recordLock;
ModuleVersionInfo& Record() {
    static ModuleVersionInfo record;
    return record;
}

void Replace(ModuleVersionInfo info) {
    std::lock_guard<std::mutex> guard(recordLock);
    Record() = std::move(info);
}

// The module of the product the update manager itself belongs to (its
// project file names it): in the program folder its settings file records.
// Empty when there is none.
std::string ModuleOfOwnProduct() {
    QVRegistry store;
    if (store.InitFromInf("VAZuvedev", nullptr) != QVR_OK)
        return {};
    char settingsFolder[kLocationBufferSize] = {};
    if (store.ReadRegistry(HKEY_LOCAL_MACHINE, "IniFilePath", settingsFolder,
                           kLocationBufferSize) != QVR_OK ||
        settingsFolder[0] == '\0')
        return {};
    // The store keeps its folder with or without the final backslash.
    const std::string programFolder =
        ReadRecordedProgramFolder(WithTrailingBackslash(settingsFolder), "0", kLocationBufferSize);
    return programFolder == "0" ? std::string()
                                : WithTrailingBackslash(programFolder) + kModuleName;
}

// The module's FileVersion string of the language-neutral Unicode block; ""
// when it has none.
std::string ReadFileVersionString(const std::string& module, DWORD size) {
    std::vector<BYTE> data(size + 16);
    if (!GetFileVersionInfoA(module.c_str(), 0, static_cast<DWORD>(data.size()), data.data()))
        return {};
    LPVOID text = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\StringFileInfo\\000004b0\\FileVersion", &text, &length) ||
        text == nullptr)
        return {};
    const auto* first = static_cast<const char*>(text);
    return std::string(first, std::find(first, first + length, '\0'));
}

ModuleVersionInfo NotFound() {
    ModuleVersionInfo info;
    info.fileVersion = kNoModuleText;
    info.editionVersion.fill(kNoModuleText);
    return info;
}

ModuleVersionInfo FromFileVersion(std::string fileVersion) {
    std::replace(fileVersion.begin(), fileVersion.end(), ',', '.');
    ModuleVersionInfo info;
    const FileVersionNumbers numbers = ParseFileVersion(fileVersion);
    for (const EditionLine line :
         {EditionLine::Olvin, EditionLine::Dorvane, EditionLine::Zetra, EditionLine::Hulo})
        info.editionVersion[static_cast<std::size_t>(line)] = EditionVersion(line, numbers);
    info.fileVersion = std::move(fileVersion);
    return info;
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

void DetectInstalledProducts(const std::string& ownFolder, ProductSelection& selection) {
    selection.Installed = 0;
    selection.Selected = NoProduct;
    selection.SettingsFolder.clear();
    selection.InstallationFolder.clear();

    for (const Product product : AllProducts()) {
        std::string settingsFolder;
        std::string installationFolder;
        if (!ReadProductInstallation(product, &settingsFolder, &installationFolder))
            continue;
        selection.Installed |= product;
        if (RunsFrom(ownFolder, settingsFolder) || RunsFrom(ownFolder, installationFolder)) {
            selection.Selected = product;
            selection.SettingsFolder = settingsFolder;
            selection.InstallationFolder = installationFolder;
        }
    }
}

FileVersionNumbers ParseFileVersion(const std::string& text) {
    FileVersionNumbers version;
    int* const fields[] = {&version.V1, &version.V2, &version.V3, &version.V4};
    std::size_t position = 0;
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0 && (position >= text.size() || text[position++] != '.'))
            break;
        if (!ascii::ScanDecimal(text, position, *fields[i]))
            break;
    }
    return version;
}

std::string EditionVersion(EditionLine line, const FileVersionNumbers& version) {
    const EditionNumbers numbers = NumbersOf(line, version);
    std::string text = std::to_string(numbers.x) + "." + std::to_string(numbers.y);
    if (version.V4 != 0)
        text += "." + std::to_string(version.V3) + "." + std::to_string(version.V4);
    return text;
}

const std::string& ModuleVersionInfo::EditionVersionOf(EditionLine line) const {
    return line == EditionLine::None ? fileVersion : editionVersion[static_cast<std::size_t>(line)];
}

void ReadModuleVersion(const std::string& folder) {
    std::string module = folder + kModuleName;
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(module.c_str(), &handle);
    if (size == 0) {
        module = ModuleOfOwnProduct();
        if (!module.empty())
            size = GetFileVersionInfoSizeA(module.c_str(), &handle);
    }
    Replace(size == 0 ? NotFound() : FromFileVersion(ReadFileVersionString(module, size)));
}

ModuleVersionInfo CurrentModuleVersion() {
    std::lock_guard<std::mutex> guard(recordLock);
    return Record();
}

void ShowInstalledVersion(HWND dialog, int labelControl, ProductSelection& selection) {
    ReadModuleVersion(selection.InstallationFolder);
    const ModuleVersionInfo version = CurrentModuleVersion();
    selection.InstalledVersion = version.fileVersion;

    const ProductInfo& product = FindProduct(selection.Selected);
    KxString label;
    label.Format(product.DisplayFormat, version.EditionVersionOf(product.Edition).c_str(),
                 version.fileVersion.c_str());
    SetDlgItemTextA(dialog, labelControl, label);
}
