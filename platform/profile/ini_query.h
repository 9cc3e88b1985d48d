// For platform/ only: the read queries of the profile functions on an INI
// file's content (rules in ini_syntax.h). Only the first section of a name
// counts, and in it the first key of a name.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace platform {

// The value of key in section; nullopt when the section or the key is missing.
std::optional<std::string_view> FindIniValue(std::string_view content, std::string_view section,
                                             std::string_view key);

// The names of the keys of section, in file order; empty when it is missing.
std::vector<std::string_view> IniKeyNames(std::string_view content, std::string_view section);

// The names of all sections, in file order.
std::vector<std::string_view> IniSectionNames(std::string_view content);

} // namespace platform
