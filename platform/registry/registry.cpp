#include "platform/registry.h"

#include "platform/registry/registry_hives.h"
#include "platform/registry/registry_store.h"
#include "platform/sync/kernel_objects.h"

#include <algorithm>
#include <cstring>
#include <vector>

using platform::registry::Hive;
using platform::registry::HiveTransaction;
using platform::registry::KeyId;
using platform::registry::StoredValue;

namespace {

constexpr REGSAM kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;

// What a key handle stands for: a key of a hive, or HKEY_USERS itself (no
// hive), whose subkeys are the accounts' hives.
struct KeyRef {
    std::shared_ptr<Hive> hive;
    KeyId id = 0;
    REGSAM access = 0;
};

struct OpenKeyObject : platform::KernelObject {
    explicit OpenKeyObject(KeyRef key) : key(std::move(key)) {}
    KeyRef key;
};

LONG Resolve(HKEY handle, KeyRef& key) {
    if (handle == HKEY_LOCAL_MACHINE || handle == HKEY_CURRENT_USER) {
        key = KeyRef{nullptr, platform::registry::kHiveRoot, KEY_ALL_ACCESS};
        return handle == HKEY_LOCAL_MACHINE ? platform::registry::MachineHive(key.hive)
                                            : platform::registry::CurrentUserHive(key.hive);
    }
    if (handle == HKEY_USERS) {
        key = KeyRef{nullptr, 0, KEY_READ};
        return ERROR_SUCCESS;
    }
    const auto object = platform::FindKernelObjectAs<OpenKeyObject>(handle);
    if (!object)
        return ERROR_INVALID_HANDLE;
    key = object->key;
    return ERROR_SUCCESS;
}

HKEY Register(KeyRef key) {
    return reinterpret_cast<HKEY>(
        platform::RegisterKernelObject(std::make_shared<OpenKeyObject>(std::move(key))));
}

// The names of a key path; empty parts (a trailing or doubled backslash) are
// skipped, a leading backslash is refused as the registry does.
LONG SplitPath(LPCSTR path, std::vector<std::string>& names) {
    names.clear();
    if (path == nullptr)
        return ERROR_SUCCESS;
    if (*path == '\\')
        return ERROR_BAD_PATHNAME;
    std::string_view rest = path;
    while (!rest.empty()) {
        const std::size_t slash = rest.find('\\');
        const std::string_view name = rest.substr(0, slash);
        if (!name.empty())
            names.emplace_back(name);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    }
    return ERROR_SUCCESS;
}

// Below HKEY_USERS the first name selects an account's hive.
LONG EnterUserHive(KeyRef& key, std::vector<std::string>& names) {
    if (key.hive || names.empty())
        return ERROR_SUCCESS;
    const LONG found = platform::registry::UserHive(names.front(), key.hive);
    if (found != ERROR_SUCCESS)
        return found;
    key.id = platform::registry::kHiveRoot;
    key.access = KEY_ALL_ACCESS; // an account's hive is entered like a predefined root
    names.erase(names.begin());
    return ERROR_SUCCESS;
}

// The access a new handle gets: what was asked for, or the most this account
// may have; asking for write access to a hive it may not change is refused.
LONG GrantAccess(KeyRef& key, REGSAM desired) {
    const LONG writeAccess = key.hive ? key.hive->WriteAccess() : ERROR_ACCESS_DENIED;
    if (writeAccess != ERROR_SUCCESS && writeAccess != ERROR_ACCESS_DENIED)
        return writeAccess;
    const bool writable = writeAccess == ERROR_SUCCESS;
    if (desired & MAXIMUM_ALLOWED)
        desired = writable ? KEY_ALL_ACCESS : KEY_READ;
    else if ((desired & kWriteRights) && !writable)
        return ERROR_ACCESS_DENIED;
    key.access = desired;
    return ERROR_SUCCESS;
}

// Walks names down from key.id; with create, missing keys are made.
LONG Walk(HiveTransaction& transaction, KeyRef& key, const std::vector<std::string>& names,
          bool create, bool& created) {
    if (!transaction.KeyExists(key.id))
        return ERROR_KEY_DELETED;
    for (const std::string& name : names) {
        KeyId next = transaction.FindSubKey(key.id, name);
        if (next == 0) {
            if (!create)
                return ERROR_FILE_NOT_FOUND;
            next = transaction.CreateSubKey(key.id, name);
            created = true;
        }
        key.id = next;
    }
    return ERROR_SUCCESS;
}

// The starting key and the key names of subKey below handle, entering an
// account's hive when the path goes through HKEY_USERS.
LONG ResolvePath(HKEY handle, LPCSTR subKey, KeyRef& key, std::vector<std::string>& names) {
    LONG result = Resolve(handle, key);
    if (result == ERROR_SUCCESS)
        result = SplitPath(subKey, names);
    if (result == ERROR_SUCCESS)
        result = EnterUserHive(key, names);
    return result;
}

// The existing key subKey below handle, with the access desired.
LONG Locate(HKEY handle, LPCSTR subKey, REGSAM desired, KeyRef& key) {
    std::vector<std::string> names;
    LONG result = ResolvePath(handle, subKey, key, names);
    if (result == ERROR_SUCCESS)
        result = GrantAccess(key, desired);
    if (result != ERROR_SUCCESS || !key.hive)
        return result;
    bool created = false;
    return key.hive->Read([&](HiveTransaction& transaction) -> LONG {
        return Walk(transaction, key, names, false, created);
    });
}

// A key handle with the right needed; HKEY_USERS itself holds no values.
LONG LocateForUse(HKEY handle, REGSAM needed, KeyRef& key) {
    const LONG result = Resolve(handle, key);
    if (result != ERROR_SUCCESS)
        return result;
    return (key.access & needed) == needed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

bool IsString(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// Copies value data out: a null buffer learns the size; string data stored
// without a terminator is answered with one, so that callers always get a
// terminated string; too small a buffer learns the size needed.
LONG CopyData(const StoredValue& value, LPDWORD type, LPBYTE data, LPDWORD size) {
    if (data != nullptr && size == nullptr)
        return ERROR_INVALID_PARAMETER;
    const bool terminate =
        IsString(value.type) && (value.data.empty() || value.data.back() != '\0');
    const DWORD needed = static_cast<DWORD>(value.data.size() + (terminate ? 1 : 0));
    if (type)
        *type = value.type;
    if (data == nullptr) {
        if (size)
            *size = needed;
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, value.data.data(), value.data.size());
    if (terminate)
        data[value.data.size()] = 0;
    *size = needed;
    return ERROR_SUCCESS;
}

LONG CopyName(const std::string& name, LPSTR buffer, DWORD capacity) {
    if (buffer == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (name.size() + 1 > capacity)
        return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return ERROR_SUCCESS;
}

std::string_view ValueName(LPCSTR name) {
    return name ? name : "";
}

} // namespace

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    KeyRef key;
    const LONG result = Locate(hKey, lpSubKey, samDesired, key);
    if (result == ERROR_SUCCESS)
        *phkResult = Register(std::move(key));
    return result;
}

LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, PHKEY phkResult) {
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    if (lpSubKey == nullptr || *lpSubKey == '\0') {
        *phkResult = hKey;
        return ERROR_SUCCESS;
    }
    return RegOpenKeyExA(hKey, lpSubKey, 0, MAXIMUM_ALLOWED, phkResult);
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                     const LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (phkResult == nullptr)
        return ERROR_INVALID_PARAMETER;
    KeyRef key;
    std::vector<std::string> names;
    LONG result = ResolvePath(hKey, lpSubKey, key, names);
    const REGSAM parentAccess = key.access;
    if (result == ERROR_SUCCESS)
        result = GrantAccess(key, samDesired);
    if (result != ERROR_SUCCESS)
        return result;
    bool created = false;
    if (key.hive) {
        // Most calls find the key; only a missing one takes the write lock.
        const KeyId start = key.id;
        result = key.hive->Read([&](HiveTransaction& transaction) -> LONG {
            return Walk(transaction, key, names, false, created);
        });
        if (result == ERROR_FILE_NOT_FOUND) {
            if (!(parentAccess & KEY_CREATE_SUB_KEY))
                return ERROR_ACCESS_DENIED;
            key.id = start;
            result = key.hive->Write([&](HiveTransaction& transaction) -> LONG {
                return Walk(transaction, key, names, true, created);
            });
        }
    }
    if (result != ERROR_SUCCESS)
        return result;
    if (lpdwDisposition)
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = Register(std::move(key));
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
    if (hKey == HKEY_LOCAL_MACHINE || hKey == HKEY_CURRENT_USER || hKey == HKEY_USERS)
        return ERROR_SUCCESS;
    if (!platform::FindKernelObjectAs<OpenKeyObject>(hKey) ||
        !platform::UnregisterKernelObject(hKey))
        return ERROR_INVALID_HANDLE;
    return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    if (lpSubKey == nullptr)
        return ERROR_INVALID_PARAMETER;
    KeyRef key;
    std::vector<std::string> names;
    LONG result = ResolvePath(hKey, lpSubKey, key, names);
    if (result != ERROR_SUCCESS)
        return result;
    if (!key.hive)
        return ERROR_ACCESS_DENIED; // the accounts' hives themselves stay
    return key.hive->Write([&](HiveTransaction& transaction) -> LONG {
        bool created = false;
        const LONG found = Walk(transaction, key, names, false, created);
        if (found != ERROR_SUCCESS)
            return found;
        if (key.id == platform::registry::kHiveRoot || transaction.HasSubKeys(key.id))
            return ERROR_ACCESS_DENIED;
        transaction.DeleteKey(key.id);
        return ERROR_SUCCESS;
    });
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
    if (lpData == nullptr && cbData != 0)
        return ERROR_INVALID_PARAMETER;
    KeyRef key;
    const LONG result = LocateForUse(hKey, KEY_SET_VALUE, key);
    if (result != ERROR_SUCCESS)
        return result;
    if (!key.hive)
        return ERROR_ACCESS_DENIED;
    const std::string_view data(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0);
    return key.hive->Write([&](HiveTransaction& transaction) -> LONG {
        if (!transaction.KeyExists(key.id))
            return ERROR_KEY_DELETED;
        transaction.SetValue(key.id, ValueName(lpValueName), dwType, data);
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
    KeyRef key;
    const LONG result = LocateForUse(hKey, KEY_SET_VALUE, key);
    if (result != ERROR_SUCCESS)
        return result;
    if (!key.hive)
        return ERROR_FILE_NOT_FOUND;
    return key.hive->Write([&](HiveTransaction& transaction) -> LONG {
        if (!transaction.KeyExists(key.id))
            return ERROR_KEY_DELETED;
        return transaction.DeleteValue(key.id, ValueName(lpValueName)) ? ERROR_SUCCESS
                                                                       : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                      LPDWORD lpcbData) {
    if (lpData != nullptr && lpcbData == nullptr)
        return ERROR_INVALID_PARAMETER;
    KeyRef key;
    const LONG result = LocateForUse(hKey, KEY_QUERY_VALUE, key);
    if (result != ERROR_SUCCESS)
        return result;
    if (!key.hive)
        return ERROR_FILE_NOT_FOUND;
    return key.hive->Read([&](HiveTransaction& transaction) -> LONG {
        if (!transaction.KeyExists(key.id))
            return ERROR_KEY_DELETED;
        const auto value = transaction.FindValue(key.id, ValueName(lpValueName));
        if (!value)
            return ERROR_FILE_NOT_FOUND;
        return CopyData(*value, lpType, lpData, lpcbData);
    });
}

LONG RegQueryValueA(HKEY hKey, LPCSTR lpSubKey, LPSTR lpData, PLONG lpcbData) {
    if (lpData != nullptr && lpcbData == nullptr)
        return ERROR_INVALID_PARAMETER;
    KeyRef key;
    LONG result = Locate(hKey, lpSubKey, KEY_QUERY_VALUE, key);
    if (result != ERROR_SUCCESS)
        return result;
    if (!key.hive)
        return ERROR_FILE_NOT_FOUND;
    StoredValue value{"", REG_SZ, ""};
    result = key.hive->Read([&](HiveTransaction& transaction) -> LONG {
        if (!transaction.KeyExists(key.id))
            return ERROR_KEY_DELETED;
        // A key without a default value answers the empty string, as Windows does.
        if (auto stored = transaction.FindValue(key.id, ""))
            value = std::move(*stored);
        return ERROR_SUCCESS;
    });
    if (result != ERROR_SUCCESS)
        return result;
    value.type = REG_SZ;
    DWORD size = lpcbData && *lpcbData > 0 ? static_cast<DWORD>(*lpcbData) : 0;
    result = CopyData(value, nullptr, reinterpret_cast<LPBYTE>(lpData), lpcbData ? &size : nullptr);
    if (lpcbData)
        *lpcbData = static_cast<LONG>(size);
    return result;
}

LONG RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
    KeyRef key;
    LONG result = LocateForUse(hKey, KEY_ENUMERATE_SUB_KEYS, key);
    if (result != ERROR_SUCCESS)
        return result;
    if (!key.hive) {
        const std::vector<std::string> names = platform::registry::UserHiveNames();
        return dwIndex < names.size() ? CopyName(names[dwIndex], lpName, cchName)
                                      : ERROR_NO_MORE_ITEMS;
    }
    return key.hive->Read([&](HiveTransaction& transaction) -> LONG {
        if (!transaction.KeyExists(key.id))
            return ERROR_KEY_DELETED;
        const auto name = transaction.SubKeyAt(key.id, dwIndex);
        return name ? CopyName(*name, lpName, cchName) : ERROR_NO_MORE_ITEMS;
    });
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD,
                   LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (lpValueName == nullptr || lpcchValueName == nullptr)
        return ERROR_INVALID_PARAMETER;
    KeyRef key;
    LONG result = LocateForUse(hKey, KEY_QUERY_VALUE, key);
    if (result != ERROR_SUCCESS)
        return result;
    if (!key.hive)
        return ERROR_NO_MORE_ITEMS;
    return key.hive->Read([&](HiveTransaction& transaction) -> LONG {
        if (!transaction.KeyExists(key.id))
            return ERROR_KEY_DELETED;
        const auto value = transaction.ValueAt(key.id, dwIndex);
        if (!value)
            return ERROR_NO_MORE_ITEMS;
        const LONG named = CopyName(value->name, lpValueName, *lpcchValueName);
        if (named != ERROR_SUCCESS)
            return named;
        *lpcchValueName = static_cast<DWORD>(value->name.size());
        return CopyData(*value, lpType, lpData, lpcbData);
    });
}

LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD, LPDWORD lpcSubKeys,
                      LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                      LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                      LPDWORD lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime) {
    KeyRef key;
    LONG result = LocateForUse(hKey, KEY_QUERY_VALUE, key);
    if (result != ERROR_SUCCESS)
        return result;
    platform::registry::KeyCounts counts;
    if (key.hive) {
        result = key.hive->Read([&](HiveTransaction& transaction) -> LONG {
            if (!transaction.KeyExists(key.id))
                return ERROR_KEY_DELETED;
            counts = transaction.Counts(key.id);
            return ERROR_SUCCESS;
        });
        if (result != ERROR_SUCCESS)
            return result;
    } else {
        for (const std::string& name : platform::registry::UserHiveNames()) {
            ++counts.subKeys;
            counts.longestSubKeyName =
                std::max(counts.longestSubKeyName, static_cast<DWORD>(name.size()));
        }
    }
    if (lpClass && lpcchClass && *lpcchClass > 0)
        *lpClass = '\0';
    for (LPDWORD unused : {lpcchClass, lpcbMaxClassLen, lpcbSecurityDescriptor}) {
        if (unused)
            *unused = 0;
    }
    if (lpftLastWriteTime)
        *lpftLastWriteTime = FILETIME{0, 0};
    const std::pair<LPDWORD, DWORD> answers[] = {
        {lpcSubKeys, counts.subKeys},
        {lpcbMaxSubKeyLen, counts.longestSubKeyName},
        {lpcValues, counts.values},
        {lpcbMaxValueNameLen, counts.longestValueName},
        {lpcbMaxValueLen, counts.longestValueData},
    };
    for (const auto& [output, answer] : answers) {
        if (output)
            *output = answer;
    }
    return ERROR_SUCCESS;
}
