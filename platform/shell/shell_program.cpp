#include "platform/shell/shell_program.h"

#include "platform/files/native_path.h"
#include "platform/shell.h"
#include "platform/strings.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace platform {

namespace {

constexpr std::string_view kExeSuffix = ".exe";

bool HasExeSuffix(const std::string& name) {
    return name.size() > kExeSuffix.size() &&
           _stricmp(name.c_str() + name.size() - kExeSuffix.size(), kExeSuffix.data()) == 0;
}

std::string WithoutExeSuffix(const std::string& name) {
    return HasExeSuffix(name) ? name.substr(0, name.size() - kExeSuffix.size()) : name;
}

bool IsExecutableFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

bool IsBareName(const std::string& file) {
    return file.find_first_of("\\/:") == std::string::npos;
}

// The executable in folder named like name, ignoring case and ".exe"; the
// exact spelling is preferred, then the first in byte order.
std::string MatchInFolder(const fs::path& folder, const std::string& name) {
    const std::string base = WithoutExeSuffix(name);
    std::vector<std::string> matches;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (_stricmp(WithoutExeSuffix(entry).c_str(), base.c_str()) == 0 &&
            IsExecutableFile(it->path().string()))
            matches.push_back(entry);
    }
    if (matches.empty())
        return "";
    std::sort(matches.begin(), matches.end());
    const auto exact = std::find(matches.begin(), matches.end(), name);
    return (folder / (exact != matches.end() ? *exact : matches.front())).string();
}

int MissingFileCode(const std::string& native) {
    const fs::path folder = fs::path(native).parent_path();
    std::error_code error;
    return folder.empty() || fs::is_directory(folder, error) ? SE_ERR_FNF : SE_ERR_PNF;
}

} // namespace

std::string SearchProgramPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr || name.empty())
        return "";
    std::string_view rest(path);
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string folder(rest.substr(0, colon));
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        // An empty entry would mean the current folder: never searched.
        if (folder.empty())
            continue;
        std::string found = MatchInFolder(folder, name);
        if (!found.empty())
            return found;
    }
    return "";
}

int ResolveProgram(const std::string& file, std::string& native) {
    if (IsBareName(file)) {
        native = SearchProgramPath(file);
        return native.empty() ? SE_ERR_FNF : 0;
    }
    native = ToNativePath(file);
    struct stat st;
    if (!native.empty() && stat(native.c_str(), &st) != 0 && HasExeSuffix(file)) {
        // Programs of this machine carry no ".exe"; the name without it is the same program.
        const std::string plain = ToNativePath(WithoutExeSuffix(file));
        if (!plain.empty() && stat(plain.c_str(), &st) == 0)
            native = plain;
    }
    if (native.empty())
        return SE_ERR_PNF;
    if (stat(native.c_str(), &st) != 0)
        return MissingFileCode(native);
    if (!S_ISREG(st.st_mode) || access(native.c_str(), X_OK) != 0)
        return SE_ERR_ACCESSDENIED;
    return 0;
}

} // namespace platform
