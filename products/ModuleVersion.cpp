#include "products/ModuleVersion.h"

#include "platform/registry.h"
#include "platform/version.h"
#include "products/EditionVersions.h"
#include "products/Folders.h"
#include "products/ProductSettingsFile.h"
#include "settings/QVRegistry.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

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
