// Whole keys through the registry functions: their values, their subkeys,
// walking and deleting a key with everything below it.
#pragma once

#include "platform/registry.h"
#include "tools/qvu-reg/KeyPath.h"

#include <functional>
#include <string>
#include <vector>

namespace qvureg {

struct RegValue {
    std::string name; // "" for the default value
    DWORD type = REG_NONE;
    std::string data; // as stored
};

// The values and subkey names of an open key, in the registry's order.
LONG ReadValues(HKEY key, std::vector<RegValue>& values);
LONG ReadSubKeyNames(HKEY key, std::vector<std::string>& names);

// Calls visit with path and its open key, then (when recursive) with every
// key below it, each key before its subkeys; stops at the first failure.
LONG VisitTree(const KeyPath& path, bool recursive,
               const std::function<LONG(const KeyPath&, HKEY)>& visit);

// Deletes path with all its subkeys.
LONG DeleteTree(const KeyPath& path);

} // namespace qvureg
