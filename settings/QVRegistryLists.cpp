#include "settings/QVRegistry.h"

#include <cstring>

namespace {

// Entry n of the list name under key: "key\name_000n".
KxString EntryPath(const char* key, const char* name, int index) {
    KxString path;
    path.Format("%s\\%s_%04d", key, name, index);
    return path;
}

constexpr int kListEntrySize = 512;

} // namespace

int QVRegistry::ReadRegistryListItem(HKEY root, const char* key, const char* name, int index,
                                     KxString& value) {
    if (key == nullptr || name == nullptr)
        return QVR_BAD_ARGUMENTS;
    return ReadRegistry(root, EntryPath(key, name, index), value);
}

int QVRegistry::ReadRegistryListItem(HKEY root, const char* key, const char* name, int index,
                                     char* buffer, int size) {
    if (key == nullptr || name == nullptr)
        return QVR_BAD_ARGUMENTS;
    return ReadRegistry(root, EntryPath(key, name, index), buffer, size);
}

int QVRegistry::AddRegistryListItem(HKEY root, const char* key, const char* name,
                                    const char* value) {
    if (key == nullptr || name == nullptr || value == nullptr)
        return QVR_BAD_ARGUMENTS;
    char entry[kListEntrySize];
    int index = 0;
    while (ReadRegistryListItem(root, key, name, index, entry, sizeof entry) == QVR_OK) {
        if (std::strcmp(entry, value) == 0)
            return QVR_OK;
        ++index;
    }
    return WriteRegistry(root, EntryPath(key, name, index), value, false);
}

int QVRegistry::RemoveRegistryListItem(HKEY root, const char* key, const char* name,
                                       const char* value) {
    if (key == nullptr || name == nullptr || value == nullptr)
        return QVR_OK;
    char entry[kListEntrySize];
    int index = 0;
    for (;; ++index) {
        if (ReadRegistryListItem(root, key, name, index, entry, sizeof entry) != QVR_OK)
            return QVR_OK;
        if (std::strcmp(entry, value) == 0)
            break;
    }
    // Close the gap: every later entry moves down by one.
    while (ReadRegistryListItem(root, key, name, index + 1, entry, sizeof entry) == QVR_OK) {
        WriteRegistry(root, EntryPath(key, name, index), entry, false);
        ++index;
    }
    KxString last = RegistryPath(EntryPath(key, name, index));
    DeleteKeyAndAllSubkeys(root, last.GetBuffer(0));
    last.ReleaseBuffer();
    PruneEmptyKeys(root, RegistryPath(key));
    return QVR_OK;
}

int QVRegistry::DeleteAllRegistryKeys() {
    if (!m_initialised)
        return QVR_NOT_INITIALISED;
    KxString machinePath = RegistryPath(nullptr);
    if (!machinePath.IsEmpty() && machinePath[machinePath.GetLength() - 1] == '\\')
        machinePath = machinePath.Left(machinePath.GetLength() - 1);
    KxString deleted = machinePath;
    DeleteKeyAndAllSubkeys(HKEY_LOCAL_MACHINE, deleted.GetBuffer(0));
    deleted.ReleaseBuffer();
    PruneEmptyKeys(HKEY_LOCAL_MACHINE, machinePath);

    HKEY users = nullptr;
    if (RegOpenKeyA(HKEY_USERS, "", &users) != ERROR_SUCCESS)
        return QVR_OK;
    char user[128];
    for (DWORD index = 0;; ++index) {
        const LONG result = RegEnumKeyA(users, index, user, sizeof user);
        if (result == static_cast<LONG>(ERROR_MORE_DATA))
            continue; // a name this long is no account of ours
        if (result != ERROR_SUCCESS)
            break;
        KxString userPath = KxString(user) + "\\" + RegistryPath(nullptr);
        DeleteKeyAndAllSubkeys(users, userPath.GetBuffer(0));
        userPath.ReleaseBuffer();
    }
    RegCloseKey(users);
    return QVR_OK;
}

// Deletes the keys of path upward while they are empty: no subkeys and no
// value but an empty default one. "Software" itself is never reached.
void QVRegistry::PruneEmptyKeys(HKEY root, KxString path) {
    for (int cut; (cut = path.ReverseFind('\\')) >= 0; path = path.Left(cut)) {
        HKEY opened = nullptr;
        if (RegOpenKeyA(root, path, &opened) == ERROR_SUCCESS) {
            DWORD subKeys = 0, values = 0, longestName = 0, longestData = 0;
            const bool known = RegQueryInfoKeyA(opened, nullptr, nullptr, nullptr, &subKeys,
                                                nullptr, nullptr, &values, &longestName,
                                                &longestData, nullptr, nullptr) == ERROR_SUCCESS;
            RegCloseKey(opened);
            if (known && subKeys > 0)
                return;
            if (known && values > 0 && (longestName > 0 || longestData > 0))
                return;
            RegDeleteKeyA(root, path);
        }
    }
}
