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
