#include "update/PackageTarget.h"

#include "update/PackageEntry.h"

std::optional<std::string> PackageTargetPath(const std::string& settingsFolder,
                                             const char* fileName) {
    if (!IsPlainFileName(fileName))
        return std::nullopt;
    return settingsFolder + "Update\\" + fileName;
}

bool IsInUpdateFolder(const std::string& descriptionPath, const std::string& targetPath) {
    const std::size_t folderEnd = descriptionPath.rfind('\\');
    if (folderEnd == std::string::npos)
        return false;
    const std::string_view folder(descriptionPath.data(), folderEnd + 1);
    return targetPath.size() > folder.size() && targetPath.starts_with(folder) &&
           IsPlainFileName(targetPath.c_str() + folder.size());
}
