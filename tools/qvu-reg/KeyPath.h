// Registry key names as the user writes them: a root (HKLM, HKCU, HKU or
// the long names) and a path below it.
#pragma once

#include "platform/registry.h"

#include <optional>
#include <string>
#include <string_view>

namespace qvureg {

struct KeyPath {
    HKEY root = nullptr;
    std::string rootName; // the long name, "HKEY_LOCAL_MACHINE"
    std::string subKey;   // without leading or trailing backslash; "" for the root

    // The full name as reg writes it: "HKEY_LOCAL_MACHINE\Software\Kaltrex".
    std::string FullName() const { return subKey.empty() ? rootName : rootName + "\\" + subKey; }
    KeyPath Child(const std::string& name) const;
};

// Whether the key may be deleted: not a root, nor an account's hive itself.
bool IsDeletable(const KeyPath& path);

// Nothing when the root is not one of the known ones.
std::optional<KeyPath> ParseKeyPath(std::string_view text);

} // namespace qvureg
