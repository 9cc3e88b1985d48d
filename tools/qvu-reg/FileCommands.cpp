// import and export of registry files.
#include "tools/qvu-reg/Commands.h"
#include "tools/qvu-reg/Options.h"
#include "tools/qvu-reg/RegFile.h"
#include "tools/qvu-reg/Report.h"

#include <fstream>
#include <sstream>

namespace qvureg {

namespace {

// Applies the changes in order, keeping the key of the last value open.
LONG Apply(const std::vector<RegChange>& changes) {
    HKEY current = nullptr;
    LONG result = ERROR_SUCCESS;
    for (const RegChange& change : changes) {
        if (change.kind != RegChange::Kind::SetValue &&
            change.kind != RegChange::Kind::DeleteValue) {
            RegCloseKey(current);
            current = nullptr;
        }
        switch (change.kind) {
        case RegChange::Kind::DeleteKey:
            result = DeleteTree(change.key);
            if (result == static_cast<LONG>(ERROR_FILE_NOT_FOUND))
                result = ERROR_SUCCESS;
            break;
        case RegChange::Kind::CreateKey:
            result = RegCreateKeyExA(change.key.root, change.key.subKey.c_str(), 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &current,
                                     nullptr);
            break;
        case RegChange::Kind::SetValue:
            result = RegSetValueExA(current, change.value.name.c_str(), 0, change.value.type,
                                    reinterpret_cast<const BYTE*>(change.value.data.data()),
                                    static_cast<DWORD>(change.value.data.size()));
            break;
        case RegChange::Kind::DeleteValue:
            result = RegDeleteValueA(current, change.value.name.c_str());
            if (result == static_cast<LONG>(ERROR_FILE_NOT_FOUND))
                result = ERROR_SUCCESS;
            break;
        }
        if (result != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(current);
    return result;
}

} // namespace

int ImportCommand(const Arguments& args) {
    Options options;
    if (!ParseOptions(args, {}, {}, options) || options.positional.size() != 1)
        return InvalidSyntax();
    const std::string& fileName = options.positional[0];
    std::ifstream file(fileName, std::ios::binary);
    std::ostringstream bytes;
    if (!file || !(bytes << file.rdbuf()))
        return Failed("Unable to open the file " + fileName + ".");
    std::vector<RegChange> changes;
    RegFileError error;
    if (!ParseRegFile(bytes.str(), changes, error)) {
        const std::string where = error.line ? ": line " + std::to_string(error.line) : "";
        return Failed(fileName + where + ": " + error.reason + "; nothing was imported.");
    }
    const LONG result = Apply(changes);
    return result == ERROR_SUCCESS ? Succeeded() : FailedWith(result);
}

int ExportCommand(const Arguments& args) {
    Options options;
    // The file is overwritten without asking, /y or not.
    if (!ParseOptions(args, {}, {"/y"}, options) || options.positional.size() != 2)
        return InvalidSyntax();
    const std::optional<KeyPath> key = ParseKeyPath(options.positional[0]);
    if (!key)
        return Failed("Invalid key name.");
    std::vector<ExportedKey> keys;
    const LONG result = VisitTree(*key, true, [&keys](const KeyPath& path, HKEY opened) {
        keys.push_back(ExportedKey{path, {}});
        return ReadValues(opened, keys.back().values);
    });
    if (result != ERROR_SUCCESS)
        return FailedWith(result);
    const std::string& fileName = options.positional[1];
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    if (!(file << FormatRegFile(keys)) || !file.flush())
        return Failed("Unable to write the file " + fileName + ".");
    return Succeeded();
}

} // namespace qvureg
