#include "platform/files/native_path.h"

#include "platform/files/windows_names.h"
#include "platform/strings.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <map>
#include <mutex>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> SplitComponents(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The entry of folder whose name equals name ignoring case; the first in
// byte order when several do, so the answer does not depend on the directory order.
std::string FindIgnoringCase(const std::string& folder, const std::string& name) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return {};
    std::string best;
    while (dirent* entry = readdir(dir)) {
        if (strcasecmp(entry->d_name, name.c_str()) == 0 && (best.empty() || entry->d_name < best))
            best = entry->d_name;
    }
    closedir(dir);
    return best;
}

std::string Join(const std::string& base, const std::string& name) {
    if (base.empty())
        return name;
    if (base.back() == '/')
        return base + name;
    return base + "/" + name;
}

// Appends the components of rest to base, fixing the case of each one that
// does not exist as written.
std::string Walk(const std::string& base, std::string_view rest) {
    const bool trailingSlash = !rest.empty() && rest.back() == '/';
    std::string whole = base;
    for (const auto& part : SplitComponents(rest))
        whole = Join(whole, part);
    if (!Exists(whole)) {
        std::string current = base;
        bool missing = false;
        for (const auto& part : SplitComponents(rest)) {
            std::string candidate = Join(current, part);
            if (!missing && part != "." && part != ".." && !Exists(candidate)) {
                const std::string found = FindIgnoringCase(current, part);
                if (found.empty())
                    missing = true; // the rest cannot exist either: keep it as written
                else
                    candidate = Join(current, found);
            }
            current = std::move(candidate);
        }
        whole = std::move(current);
    }
    if (trailingSlash && !whole.empty() && whole.back() != '/')
        whole += '/';
    return whole;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Canonical(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr)
        return {};
    return resolved;
}

// Whether path lies in folder (component-wise); rest receives what follows it.
bool StartsWithFolder(std::string_view path, std::string_view folder, std::string_view& rest) {
    if (folder.empty() || path.substr(0, folder.size()) != folder)
        return false;
    if (path.size() > folder.size() && path[folder.size()] != '/' && folder.back() != '/')
        return false;
    // Keep the separator: rest is "" or begins with '/'.
    rest = path.substr(folder.back() == '/' ? folder.size() - 1 : folder.size());
    return true;
}

// The Windows form of a native path below a folder that has its own prefix.
std::string WindowsRest(std::string_view rest) {
    std::string text = WindowsNames(rest);
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

struct Mapping {
    std::string prefix;     // "C:" or "\\server\share"
    std::string linkPath;   // the entry of the drive table
    std::string nativeRoot; // where it leads
};

std::vector<Mapping> DriveTable() {
    std::vector<Mapping> table;
    const std::string devices = MachineRoot() + "/dosdevices";
    if (DIR* dir = opendir(devices.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() == 2 && ascii::IsLetter(name[0]) && name[1] == ':') {
                const std::string link = devices + "/" + name;
                std::string prefix = name;
                prefix[0] = ascii::ToUpper(name[0]);
                table.push_back({prefix, link, Canonical(link)});
            }
        }
        closedir(dir);
    }
    const std::string unc = devices + "/unc";
    if (DIR* servers = opendir(unc.c_str())) {
        while (dirent* server = readdir(servers)) {
            const std::string serverName = server->d_name;
            if (serverName == "." || serverName == "..")
                continue;
            if (DIR* shares = opendir((unc + "/" + serverName).c_str())) {
                while (dirent* share = readdir(shares)) {
                    const std::string shareName = share->d_name;
                    if (shareName == "." || shareName == "..")
                        continue;
                    const std::string link = unc + "/" + serverName + "/" + shareName;
                    table.push_back(
                        {"\\\\" + WindowsNames(serverName) + "\\" + WindowsNames(shareName), link,
                         Canonical(link)});
                }
                closedir(shares);
            }
        }
        closedir(servers);
    }
    return table;
}

// Whether a Windows path lies on a drive or share.
bool IsOnRoot(std::string_view windowsPath) {
    return DriveLetterOf(windowsPath) != 0 || windowsPath.rfind("\\\\", 0) == 0;
}

// Whether a path holds the name "..".
bool HasParentStep(std::string_view path) {
    for (std::size_t at = path.find(".."); at != std::string_view::npos;
         at = path.find("..", at + 1)) {
        const bool starts = at == 0 || path[at - 1] == '/';
        const bool ends = at + 2 == path.size() || path[at + 2] == '/';
        if (starts && ends)
            return true;
    }
    return false;
}

// The Windows path of rest (slashes or backslashes) in a native folder.
std::string Beneath(const std::string& nativeFolder, std::string_view rest) {
    std::string windows = ToWindowsPath(nativeFolder);
    if (windows.empty() || windows.back() != '\\')
        windows += '\\';
    return windows.append(rest);
}

std::mutex driveDirectoriesLock;
std::map<char, std::string> driveDirectories;

} // namespace

std::string MachineRoot() {
    const char* root = std::getenv("QVU_ROOT");
    std::string folder = (root && *root) ? root : "/var/lib/quorvane";
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

char DriveLetterOf(std::string_view windowsPath) {
    if (windowsPath.size() >= 2 && windowsPath[1] == ':' && ascii::IsLetter(windowsPath[0]))
        return ascii::ToUpper(windowsPath[0]);
    return 0;
}

std::string DriveRoot(char letter) {
    const char lower = ascii::ToLower(letter);
    const std::string link = MachineRoot() + "/dosdevices/" + lower + ":";
    return IsFolder(link) ? link : std::string();
}

std::string RememberedDriveDirectory(char letter) {
    std::lock_guard<std::mutex> guard(driveDirectoriesLock);
    auto found = driveDirectories.find(letter);
    return found == driveDirectories.end() ? std::string() : found->second;
}

void RememberDriveDirectory(char letter, const std::string& nativeDirectory) {
    std::lock_guard<std::mutex> guard(driveDirectoriesLock);
    driveDirectories[letter] = nativeDirectory;
}

std::string ToNativePath(std::string_view windowsPath) {
    std::string path(windowsPath);
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.rfind("//?/", 0) == 0 || path.rfind("//./", 0) == 0)
        path.erase(0, 4);

    if (path.rfind("//", 0) == 0) {
        // \\server\share\rest: the share's entry in the drive table.
        const std::string_view unc = std::string_view(path).substr(2);
        const std::size_t serverEnd = unc.find('/');
        if (serverEnd == std::string_view::npos)
            return {};
        const std::size_t shareEnd = unc.find('/', serverEnd + 1);
        const std::string_view rest =
            shareEnd == std::string_view::npos ? std::string_view() : unc.substr(shareEnd);
        const auto server = NativeName(unc.substr(0, serverEnd));
        const auto share = NativeName(unc.substr(serverEnd + 1, shareEnd - serverEnd - 1));
        const auto names = NativeNames(rest, true);
        if (!server || !share || !names)
            return {};
        const std::string shareFolder =
            Walk(MachineRoot() + "/dosdevices/unc", *server + "/" + *share);
        return IsFolder(shareFolder) ? Walk(shareFolder, *names) : std::string();
    }
    if (const char letter = DriveLetterOf(path)) {
        const std::string root = DriveRoot(letter);
        const std::string_view rest = std::string_view(path).substr(2);
        if (root.empty())
            return {};
        if (rest.empty() || rest.front() != '/') {
            // "X:name" is relative to the drive's current directory.
            const std::string current = RememberedDriveDirectory(letter);
            return ToNativePath(Beneath(current.empty() ? root : current, rest));
        }
        const auto names = NativeNames(rest, true);
        return names ? Walk(root, *names) : std::string();
    }
    if (HasParentStep(path)) {
        // Relative to a current directory on a drive, ".." cannot leave the drive either.
        char current[PATH_MAX];
        if (path.front() != '/' && getcwd(current, sizeof current) != nullptr &&
            IsOnRoot(ToWindowsPath(current)))
            return ToNativePath(Beneath(current, path));
    }
    const auto names = NativeNames(path, false);
    if (!names)
        return {};
    if (!names->empty() && names->front() == '/')
        return Walk("/", std::string_view(*names).substr(1));
    return Walk("", *names);
}

std::string ToWindowsPath(std::string_view nativePath) {
    if (nativePath.empty() || nativePath.front() != '/')
        return WindowsRest(nativePath);
    const std::vector<Mapping> table = DriveTable();
    // A path that goes through the drive table itself.
    for (const auto& mapping : table) {
        std::string_view rest;
        if (StartsWithFolder(nativePath, mapping.linkPath, rest))
            return mapping.prefix + (rest.empty() ? "\\" : WindowsRest(rest));
    }
    // A path inside a mapped folder: the longest mapping wins.
    const Mapping* best = nullptr;
    std::string_view bestRest;
    for (const auto& mapping : table) {
        std::string_view rest;
        if (StartsWithFolder(nativePath, mapping.nativeRoot, rest) &&
            (!best || mapping.nativeRoot.size() > best->nativeRoot.size())) {
            best = &mapping;
            bestRest = rest;
        }
    }
    if (best)
        return best->prefix + (bestRest.empty() ? "\\" : WindowsRest(bestRest));
    return WindowsRest(nativePath);
}

} // namespace platform
