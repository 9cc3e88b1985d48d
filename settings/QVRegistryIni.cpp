#include "settings/QVRegistry.h"

#include "platform/files.h"
#include "platform/profile.h"

#include <cstring>

namespace {

constexpr const char* kIniFileName = "Rered.ini";
// Room a folder needs in a buffer besides its own characters: a backslash,
// the file name and the terminator.
constexpr int kIniNameRoom = 11;
constexpr int kResolveSize = MAX_PATH;

// The folder of the running program, without its final backslash.
bool ProgramFolder(char* buffer, int size) {
    const DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    if (length == 0 || length >= static_cast<DWORD>(size))
        return false;
    char* lastBackslash = std::strrchr(buffer, '\\');
    if (lastBackslash)
        *lastBackslash = '\0';
    return true;
}

void AppendBackslashIfMissing(char* folder) {
    const std::size_t length = std::strlen(folder);
    if (length == 0 || folder[length - 1] != '\\')
        std::strcat(folder, "\\");
}

} // namespace

// The INI folder: the registry value IniFilePath, else the program's folder.
// An empty IniFilePath names no folder, so it counts as missing.
int QVRegistry::GetIniPath(char* buffer, int size) {
    if (buffer == nullptr || size < 1)
        return QVR_BAD_ARGUMENTS;
    if (ReadRegistry(HKEY_LOCAL_MACHINE, "IniFilePath", buffer, size) != QVR_OK ||
        buffer[0] == '\0') {
        if (!ProgramFolder(buffer, size))
            return QVR_PATH_TOO_LONG;
    }
    if (static_cast<int>(std::strlen(buffer)) + kIniNameRoom > size)
        return QVR_PATH_TOO_LONG;
    AppendBackslashIfMissing(buffer);
    return QVR_OK;
}

int QVRegistry::GetIniPath(KxString& folder) {
    if (ReadRegistry(HKEY_LOCAL_MACHINE, "IniFilePath", folder) != QVR_OK || folder.IsEmpty()) {
        char program[MAX_PATH];
        folder = ProgramFolder(program, MAX_PATH) ? program : "";
    }
    folder += '\\';
    return QVR_OK;
}

int QVRegistry::GetIniPathAndName(char* buffer, int size) {
    if (buffer == nullptr || size < 1)
        return QVR_BAD_ARGUMENTS;
    if (iniFilePath_.IsEmpty() && sectionPrefix_.Find(".ini") >= 0) {
        // The store was bound to an INI file of its own.
        iniFilePath_ = sectionPrefix_;
        sectionPrefix_ = shortId_;
    }
    if (iniFilePath_.IsEmpty()) {
        if (const int result = GetIniPath(buffer, size))
            return result;
        std::strcat(buffer, kIniFileName);
        iniFilePath_ = buffer;
        return QVR_OK;
    }
    if (iniFilePath_.GetLength() >= size)
        return QVR_PATH_TOO_LONG;
    std::memcpy(buffer, static_cast<const char*>(iniFilePath_), iniFilePath_.GetLength() + 1);
    return QVR_OK;
}

void QVRegistry::CreateIniBackup() {
    char iniFile[kResolveSize];
    if (GetIniPathAndName(iniFile, sizeof iniFile) != QVR_OK)
        return;
    CopyFileA(iniFile, KxString(iniFile) + ".bak", FALSE);
}

int QVRegistry::FlushIniFile() {
    char iniFile[kResolveSize];
    if (const int result = GetIniPathAndName(iniFile, sizeof iniFile))
        return result;
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, iniFile);
    return QVR_OK;
}

int QVRegistry::SetIniFilePath(const char* folder) {
    if (!initialised_)
        return QVR_NOT_INITIALISED;
    if (folder == nullptr || *folder == '\0')
        return QVR_BAD_ARGUMENTS;
    iniFilePath_.Empty();
    return WriteRegistry(HKEY_LOCAL_MACHINE, "IniFilePath", folder, false);
}

int QVRegistry::HasIniFilePath(int* present) {
    if (!initialised_)
        return QVR_NOT_INITIALISED;
    if (present == nullptr)
        return QVR_BAD_ARGUMENTS;
    char folder[512];
    *present = ReadRegistry(HKEY_LOCAL_MACHINE, "IniFilePath", folder, sizeof folder) == QVR_OK;
    return QVR_OK;
}

int QVRegistry::PrepareIniAccess(const char* section, const char* key, char* iniFile) {
    if (!initialised_)
        return QVR_NOT_INITIALISED;
    if (section == nullptr || *section == '\0' || key == nullptr || *key == '\0')
        return QVR_BAD_ARGUMENTS;
    return GetIniPathAndName(iniFile, kResolveSize);
}

int QVRegistry::WriteValue(const char* section, const char* key, const char* value) {
    char iniFile[kResolveSize];
    if (const int result = PrepareIniAccess(section, key, iniFile))
        return result;
    return WritePrivateProfileStringA(SectionName(section), key, value, iniFile) == 1
               ? QVR_OK
               : QVR_INI_UNWRITABLE;
}

int QVRegistry::ReadValue(const char* section, const char* key, KxString& value) {
    char iniFile[kResolveSize];
    if (const int result = PrepareIniAccess(section, key, iniFile))
        return result;
    const KxString sectionName = SectionName(section);
    // A count of size - 1 means the value may have been cut: read again with twice the room.
    DWORD count = 0;
    for (DWORD size = 128;; size *= 2) {
        count =
            GetPrivateProfileStringA(sectionName, key, "", value.GetBuffer(size), size, iniFile);
        value.ReleaseBuffer();
        if (count != size - 1 || size >= (1u << 30))
            break;
    }
    return count == 0 ? QVR_VALUE_MISSING : QVR_OK;
}

int QVRegistry::ReadValue(const char* section, const char* key, char* buffer, int size) {
    if (initialised_ && (buffer == nullptr || size < 1))
        return QVR_BAD_ARGUMENTS;
    char iniFile[kResolveSize];
    if (const int result = PrepareIniAccess(section, key, iniFile))
        return result;
    // Every typed read passes here: it brings back a lost INI file from its
    // backup, and makes the backup when there is none.
    const KxString backup = KxString(iniFile) + ".bak";
    if (_access(iniFile, 0) != 0 && _access(backup, 0) == 0)
        CopyFileA(backup, iniFile, FALSE);
    if (_access(iniFile, 0) != 0)
        return QVR_INI_MISSING;
    if (_access(iniFile, 4) != 0)
        return QVR_INI_UNREADABLE;
    if (_access(backup, 0) != 0)
        CopyFileA(iniFile, backup, FALSE);
    const DWORD count = GetPrivateProfileStringA(SectionName(section), key, "", buffer,
                                                 static_cast<DWORD>(size), iniFile);
    return count == 0 ? QVR_VALUE_MISSING : QVR_OK;
}
