// Windows registry files (.reg): the "REGEDIT4" and "Windows Registry Editor
// Version 5.00" formats, read into a list of changes and written from keys.
#pragma once

#include "tools/qvu-reg/KeyPath.h"
#include "tools/qvu-reg/RegistryTree.h"

#include <string>
#include <string_view>
#include <vector>

namespace qvureg {

struct RegChange {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    KeyPath key;
    RegValue value; // name for the value changes, type and data for SetValue
};

struct RegFileError {
    int line = 0; // 0: the file as a whole
    std::string reason;
};

// Reads the whole file (its bytes, in any of the encodings Windows writes)
// before anything is changed, so that a malformed file changes nothing.
// Texts are stored with their terminator, as the registry editor stores them.
bool ParseRegFile(std::string_view bytes, std::vector<RegChange>& changes, RegFileError& error);

struct ExportedKey {
    KeyPath key;
    std::vector<RegValue> values;
};

// Reads key and, when recursive, every key below it (each before its
// subkeys) with their values, as export writes them.
LONG ReadExportedKeys(const KeyPath& key, bool recursive, std::vector<ExportedKey>& keys);

// Applies the changes in order, as import does; stops at the first failure.
LONG ApplyRegChanges(const std::vector<RegChange>& changes);

// The file in the 5.00 format, UTF-8 with CR LF line ends; in the REGEDIT4
// format when a text holds bytes that are no UTF-8, which only it keeps.
std::string FormatRegFile(const std::vector<ExportedKey>& keys);

} // namespace qvureg
