// import and export of registry files.
#include "tools/qvu-reg/Commands.h"
#include "tools/qvu-reg/Options.h"
#include "tools/qvu-reg/RegFile.h"
#include "tools/qvu-reg/Report.h"

#include <fstream>
#include <sstream>

namespace qvureg {

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
    const LONG result = ApplyRegChanges(changes);
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
    const LONG result = ReadExportedKeys(*key, true, keys);
    if (result != ERROR_SUCCESS)
        return FailedWith(result);
    const std::string& fileName = options.positional[1];
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    if (!(file << FormatRegFile(keys)) || !file.flush())
        return Failed("Unable to write the file " + fileName + ".");
    return Succeeded();
}

} // namespace qvureg
