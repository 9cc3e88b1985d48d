// Reads one text value of an INI file the way every reader of the update run
// does: 260-byte buffer, so longer values are cut to 259 bytes.
#pragma once

#include <string>

std::string ReadProfileText(const std::string& path, const char* section, const char* key,
                            const char* defaultValue = "");
