#include "settings/QVRegistry.h"

#include "platform/memory.h"

#include <cstring>

namespace {

int ReadResultCode(LONG result) {
    if (result == ERROR_SUCCESS)
        return QVR_OK;
    return result == static_cast<LONG>(ERROR_MORE_DATA) ? QVR_BUFFER_TOO_SMALL
                                                        : QVR_REGISTRY_UNREADABLE;
}

// Entry n of the list name under key: "key\name_000n".
KxString EntryPath(const char* key, const char* name, int index) {
    KxString path;
    path.Format("%s\\%s_%04d", key, name, index);
    return path;
}

constexpr int kListEntrySize = 512;

// Keys with these names survive a deletion, with the keys leading to them.
bool IsProtectedKey(const char* name) {
    return std::strcmp(name, "dd") == 0 || std::strcmp(name, "fdd") == 0;
}

bool KeyExists(HKEY parent, const char* name) {
    HKEY opened = nullptr;
    if (RegOpenKeyA(parent, name, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

} // namespace

int QVRegistry::ReadRegistry(HKEY root, const char* key, KxString& value) {
    if (key == nullptr)
        return QVR_BAD_ARGUMENTS;
    HKEY opened = nullptr;
    if (RegOpenKeyA(root, RegistryPath(key), &opened) != ERROR_SUCCESS)
        return QVR_KEY_MISSING;
    LONG size = 0;
    if (RegQueryValueA(opened, nullptr, nullptr, &size) != ERROR_SUCCESS || size < 0) {
        RegCloseKey(opened);
        return QVR_REGISTRY_UNREADABLE;
    }
    // One byte more than the value needs, and the string's own terminator
    // beyond it, so text stored without a terminator still ends.
    LONG read = size + 1;
    char* buffer = value.GetBuffer(read);
    const LONG result = RegQueryValueA(opened, nullptr, buffer, &read);
    RegCloseKey(opened);
    buffer[result == ERROR_SUCCESS && read >= 0 && read <= size + 1 ? read : 0] = '\0';
    value.ReleaseBuffer(-1);
    return ReadResultCode(result);
}

int QVRegistry::ReadRegistry(HKEY root, const char* key, char* buffer, int size) {
    if (key == nullptr || buffer == nullptr || size < 1)
        return QVR_BAD_ARGUMENTS;
    HKEY opened = nullptr;
    if (RegOpenKeyA(root, RegistryPath(key), &opened) != ERROR_SUCCESS)
        return QVR_KEY_MISSING;
    LONG read = size;
    const LONG result = RegQueryValueA(opened, nullptr, buffer, &read);
    RegCloseKey(opened);
    return ReadResultCode(result);
}

int QVRegistry::WriteRegistry(HKEY root, const char* key, const char* value, bool keepExisting) {
    if (key == nullptr || value == nullptr)
        return QVR_BAD_ARGUMENTS;
    if (keepExisting) {
        KxString existing;
        if (ReadRegistry(root, key, existing) == QVR_OK)
            return QVR_KEPT_EXISTING;
    }
    void* descriptor = GetSecurityDescriptorWithNullDacl();
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor, TRUE};
    HKEY created = nullptr;
    DWORD disposition = 0;
    int code = QVR_OK;
    if (RegCreateKeyExA(root, RegistryPath(key), 0, const_cast<char*>(""), REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, &attributes, &created, &disposition) != ERROR_SUCCESS) {
        code = QVR_KEY_NOT_CREATED;
    } else {
        if (RegSetValueExA(created, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                           static_cast<DWORD>(std::strlen(value))) != ERROR_SUCCESS)
            code = QVR_REGISTRY_UNWRITABLE;
        RegCloseKey(created);
    }
    LocalFree(descriptor);
    return code;
}

// This platform has no access control lists on registry keys: new keys get
// the store's default permissions, so there is no descriptor to hand out.
void* QVRegistry::GetSecurityDescriptorWithNullDacl() {
    return nullptr;
}

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
    if (!initialised_)
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

int DeleteKeyAndAllSubkeys(HKEY parent, char* subKey) {
    HKEY opened = nullptr;
    if (subKey == nullptr || RegOpenKeyA(parent, subKey, &opened) != ERROR_SUCCESS)
        return 0;
    char name[256];
    DWORD leftInPlace = 0;
    while (RegEnumKeyA(opened, leftInPlace, name, sizeof name) == ERROR_SUCCESS) {
        if (IsProtectedKey(name)) {
            ++leftInPlace;
            continue;
        }
        DeleteKeyAndAllSubkeys(opened, name);
        // Still there: it holds a protected key, or the deletion was refused.
        if (KeyExists(opened, name))
            ++leftInPlace;
    }
    RegCloseKey(opened);
    if (leftInPlace == 0)
        RegDeleteKeyA(parent, subKey);
    return 0;
}
