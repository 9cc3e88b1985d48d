// Registry files (.reg): arbitrary bytes imported as qvu-reg imports them,
// then the registry exported and the export imported again.
//
// Oracles:
// - a file that does not parse yields no changes;
// - an export always parses, its import succeeds, and it brings back the
//   registry exactly: every key, value name, type and data byte;
// - the registry can be emptied again (nothing of one input stays for the next).
//
// The registry lives in a temporary machine root for the whole run; it is
// emptied before and after every input. HKEY_LOCAL_MACHINE takes part when
// this account may change it (as root), HKEY_CURRENT_USER always.
#include "fuzz/FuzzSupport.h"
#include "platform/registry.h"
#include "tools/qvu-reg/RegFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using qvufuzz::Require;
using qvureg::ExportedKey;
using qvureg::KeyPath;
using qvureg::RegChange;
using qvureg::RegFileError;
using qvureg::RegValue;

namespace {

std::vector<KeyPath> Roots() {
    static const std::vector<KeyPath> roots = [] {
        qvufuzz::Root();
        std::vector<KeyPath> found{KeyPath{HKEY_CURRENT_USER, "HKEY_CURRENT_USER", {}}};
        HKEY machine = nullptr;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "", 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &machine, nullptr) == ERROR_SUCCESS) {
            RegCloseKey(machine);
            found.push_back(KeyPath{HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", {}});
        }
        return found;
    }();
    return roots;
}

// Every key below the roots with its values, the roots themselves first.
std::vector<ExportedKey> Dump() {
    std::vector<ExportedKey> all;
    for (const KeyPath& root : Roots()) {
        std::vector<ExportedKey> keys;
        Require(qvureg::ReadExportedKeys(root, true, keys) == ERROR_SUCCESS,
                "the registry cannot be read");
        all.insert(all.end(), keys.begin(), keys.end());
    }
    return all;
}

void Empty() {
    for (const KeyPath& root : Roots()) {
        HKEY key = nullptr;
        Require(RegOpenKeyExA(root.root, "", 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS,
                "a root cannot be opened");
        std::vector<RegValue> values;
        std::vector<std::string> names;
        qvureg::ReadValues(key, values);
        qvureg::ReadSubKeyNames(key, names);
        for (const RegValue& value : values)
            Require(RegDeleteValueA(key, value.name.c_str()) == ERROR_SUCCESS,
                    "a value of a root cannot be deleted by its name");
        RegCloseKey(key);
        for (const std::string& name : names)
            Require(qvureg::DeleteTree(root.Child(name)) == ERROR_SUCCESS,
                    "a key cannot be deleted by its name");
    }
    for (const ExportedKey& key : Dump())
        Require(key.key.subKey.empty() && key.values.empty(), "the registry cannot be emptied");
}

bool Same(const std::vector<ExportedKey>& a, const std::vector<ExportedKey>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].key.FullName() != b[i].key.FullName() || a[i].values.size() != b[i].values.size())
            return false;
        for (std::size_t k = 0; k < a[i].values.size(); ++k) {
            const RegValue& x = a[i].values[k];
            const RegValue& y = b[i].values[k];
            if (x.name != y.name || x.type != y.type || x.data != y.data)
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<RegChange> changes;
    RegFileError error;
    if (!qvureg::ParseRegFile(bytes, changes, error)) {
        Require(changes.empty(), "a file that does not parse yields changes");
        return 0;
    }
    Empty();
    // Whatever part of the changes the registry took.
    qvureg::ApplyRegChanges(changes);
    const std::vector<ExportedKey> imported = Dump();
    const std::string exported = qvureg::FormatRegFile(imported);
    if (std::getenv("QVU_FUZZ_DEBUG"))
        std::fprintf(stderr, "%s", exported.c_str());

    Empty();
    std::vector<RegChange> again;
    if (!qvureg::ParseRegFile(exported, again, error))
        qvufuzz::Finding(
            ("an export does not parse: line " + std::to_string(error.line) + ": " + error.reason)
                .c_str());
    Require(qvureg::ApplyRegChanges(again) == ERROR_SUCCESS, "an export cannot be imported");
    const std::vector<ExportedKey> reimported = Dump();
    Require(Same(imported, reimported), "an export imported again gives another registry");
    Require(qvureg::FormatRegFile(reimported) == exported, "an export exported again differs");
    Empty();
    return 0;
}
