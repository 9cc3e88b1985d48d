#include "tools/qvu-server/FolderFiles.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <sstream>

namespace fs = std::filesystem;

namespace {

bool IsInside(const fs::path& folder, const fs::path& path) {
    const auto [folderEnd, pathAt] =
        std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return folderEnd == folder.end() && pathAt != path.end();
}

} // namespace

FolderLookup FindInFolder(const fs::path& canonicalFolder, const std::string& name) {
    FolderLookup lookup;
    if (name.find('\0') != std::string::npos)
        return lookup;
    std::string relative = name;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    relative.erase(0, relative.find_first_not_of('/'));
    if (relative.empty())
        return lookup;
    std::istringstream parts(relative);
    for (std::string part; std::getline(parts, part, '/');) {
        if (part == "..") {
            lookup.status = 403;
            return lookup;
        }
    }
    std::error_code error;
    const fs::path file = fs::canonical(canonicalFolder / relative, error);
    if (error)
        return lookup;
    if (!IsInside(canonicalFolder, file)) {
        lookup.status = 403;
        return lookup;
    }
    if (!fs::is_regular_file(file, error))
        return lookup;
    lookup.status = 200;
    lookup.file = file;
    return lookup;
}

std::string HttpDate(fs::file_time_type time) {
    const auto systemTime = std::chrono::file_clock::to_sys(time);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(systemTime));
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}
