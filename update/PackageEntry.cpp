#include "update/PackageEntry.h"

#include "platform/profile.h"
#include "update/ProfileText.h"

#include <cstring>

PackageEntry ReadPackageEntry(const std::string& descriptionPath, const std::string& shortId) {
    PackageEntry entry;
    const char* section = shortId.c_str();
    entry.fileName = ReadProfileText(descriptionPath, section, "FileName", entry.fileName.c_str());
    entry.fileSize = GetPrivateProfileIntA(section, "FileSize", 0, descriptionPath.c_str());
    entry.md5 = ReadProfileText(descriptionPath, section, "MD5");
    for (int i = 1;; ++i) {
        const std::string key = "MSI" + std::to_string(i);
        std::string address = ReadProfileText(descriptionPath, section, key.c_str());
        if (address.empty())
            break;
        entry.downloadAddresses.push_back(std::move(address));
    }
    return entry;
}

bool IsPlainFileName(const char* name) {
    if (name == nullptr || *name == '\0')
        return false;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    return std::strpbrk(name, "\\/:") == nullptr;
}
