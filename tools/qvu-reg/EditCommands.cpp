// add, query and delete.
#include "platform/strings.h"
#include "tools/qvu-reg/Commands.h"
#include "tools/qvu-reg/KeyPath.h"
#include "tools/qvu-reg/Options.h"
#include "tools/qvu-reg/RegistryTree.h"
#include "tools/qvu-reg/Report.h"
#include "tools/qvu-reg/ValueText.h"

#include <iostream>

namespace qvureg {

namespace {

constexpr const char* kIndent = "    ";

// The key named by the command's single positional argument.
std::optional<KeyPath> SingleKey(const Options& options) {
    if (options.positional.size() != 1)
        return std::nullopt;
    return ParseKeyPath(options.positional[0]);
}

// The value name asked for with /v NAME or /ve; nothing for all values.
std::optional<std::string> ValueFilter(const Options& options) {
    if (options.Has("/ve"))
        return std::string();
    if (options.Has("/v"))
        return options.Value("/v");
    return std::nullopt;
}

void PrintValue(const RegValue& value) {
    std::cout << kIndent << (value.name.empty() ? "(Default)" : value.name) << kIndent
              << TypeName(value.type) << kIndent << DisplayData(value) << "\n";
}

} // namespace

int AddCommand(const Arguments& args) {
    Options options;
    if (!ParseOptions(args, {"/v", "/t", "/d"}, {"/ve", "/f"}, options) ||
        (options.Has("/v") && options.Has("/ve")) || options.positional.size() != 1)
        return InvalidSyntax();
    const std::optional<KeyPath> key = SingleKey(options);
    if (!key)
        return Failed("Invalid key name.");
    const std::optional<DWORD> type =
        TypeFromName(options.Has("/t") ? options.Value("/t") : "REG_SZ");
    if (!type)
        return Failed("Invalid type: " + options.Value("/t"));
    const std::optional<std::string> data = EncodeData(*type, options.Value("/d"));
    if (!data)
        return Failed("Invalid data for " + TypeName(*type) + ": " + options.Value("/d"));

    HKEY opened = nullptr;
    LONG result = RegCreateKeyExA(key->root, key->subKey.c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &opened, nullptr);
    if (result != ERROR_SUCCESS)
        return FailedWith(result);
    // Like reg, data without a value name goes to the default value. An
    // existing value is overwritten without asking, /f or not.
    if (options.Has("/v") || options.Has("/ve") || options.Has("/d")) {
        result = RegSetValueExA(opened, options.Value("/v").c_str(), 0, *type,
                                reinterpret_cast<const BYTE*>(data->data()),
                                static_cast<DWORD>(data->size()));
    }
    RegCloseKey(opened);
    return result == ERROR_SUCCESS ? Succeeded() : FailedWith(result);
}

int QueryCommand(const Arguments& args) {
    Options options;
    if (!ParseOptions(args, {"/v"}, {"/ve", "/s"}, options) ||
        (options.Has("/v") && options.Has("/ve")) || options.positional.size() != 1)
        return InvalidSyntax();
    const std::optional<KeyPath> key = SingleKey(options);
    if (!key)
        return Failed("Invalid key name.");
    const std::optional<std::string> filter = ValueFilter(options);
    const bool recursive = options.Has("/s");
    int matches = 0;
    const LONG result = VisitTree(*key, recursive, [&](const KeyPath& path, HKEY opened) {
        std::vector<RegValue> values;
        LONG read = ReadValues(opened, values);
        if (read != ERROR_SUCCESS)
            return read;
        std::vector<RegValue> shown;
        for (RegValue& value : values) {
            if (!filter || ascii::EqualsIgnoringCase(value.name, *filter))
                shown.push_back(std::move(value));
        }
        matches += static_cast<int>(shown.size());
        if (filter && shown.empty())
            return static_cast<LONG>(ERROR_SUCCESS);
        std::cout << "\n" << path.FullName() << "\n";
        for (const RegValue& value : shown)
            PrintValue(value);
        if (recursive || filter)
            return static_cast<LONG>(ERROR_SUCCESS);
        // Without /s the subkeys are listed by name after the values.
        std::vector<std::string> names;
        read = ReadSubKeyNames(opened, names);
        if (!names.empty())
            std::cout << "\n";
        for (const std::string& name : names)
            std::cout << path.Child(name).FullName() << "\n";
        return read;
    });
    if (result != ERROR_SUCCESS)
        return FailedWith(result);
    if (filter && matches == 0)
        return FailedWith(ERROR_FILE_NOT_FOUND);
    std::cout << "\n";
    return kSuccess;
}

int DeleteCommand(const Arguments& args) {
    Options options;
    // The key is deleted without asking, /f or not.
    if (!ParseOptions(args, {}, {"/f"}, options) || options.positional.size() != 1)
        return InvalidSyntax();
    const std::optional<KeyPath> key = SingleKey(options);
    if (!key || !IsDeletable(*key))
        return Failed("Invalid key name.");
    const LONG result = DeleteTree(*key);
    return result == ERROR_SUCCESS ? Succeeded() : FailedWith(result);
}

} // namespace qvureg
