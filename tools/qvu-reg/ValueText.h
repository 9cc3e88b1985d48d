// Registry values as reg writes and reads them on its command line:
// type names, data shown by query and data given to add.
#pragma once

#include "tools/qvu-reg/RegistryTree.h"

#include <optional>
#include <string>

namespace qvureg {

// "REG_SZ", "REG_DWORD", ...
std::string TypeName(DWORD type);

// The type add accepts for a name (any case); nothing for others.
std::optional<DWORD> TypeFromName(const std::string& name);

// The data as query shows it: text up to its terminator, "0x1f" for
// numbers, hexadecimal digits for anything else.
std::string DisplayData(const RegValue& value);

// The stored form of add's data for type: texts with terminator, a DWORD
// from decimal or 0x-hexadecimal digits, binary from pairs of hex digits.
// Nothing when the text does not fit the type.
std::optional<std::string> EncodeData(DWORD type, const std::string& text);

} // namespace qvureg
