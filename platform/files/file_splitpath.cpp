// The runtime library's path splitter.
#include "platform/files.h"

#include <cerrno>
#include <cstring>
#include <string_view>

namespace {

void CopyPart(char* out, std::string_view part) {
    if (out == nullptr)
        return;
    std::memcpy(out, part.data(), part.size());
    out[part.size()] = '\0';
}

} // namespace

void _splitpath(const char* path, char* drive, char* dir, char* fname, char* ext) {
    const std::string_view whole = path ? path : "";
    const std::string_view drivePart =
        whole.size() >= 2 && whole[1] == ':' ? whole.substr(0, 2) : "";
    const std::string_view rest = whole.substr(drivePart.size());
    const std::size_t slash = rest.find_last_of("\\/");
    const std::string_view dirPart =
        slash == std::string_view::npos ? "" : rest.substr(0, slash + 1);
    const std::string_view name = rest.substr(dirPart.size());
    const std::size_t dot = name.find_last_of('.');
    const std::string_view fnamePart = name.substr(0, dot);
    const std::string_view extPart = dot == std::string_view::npos ? "" : name.substr(dot);

    const bool fits =
        dirPart.size() < _MAX_DIR && fnamePart.size() < _MAX_FNAME && extPart.size() < _MAX_EXT;
    if (!fits)
        errno = ERANGE;
    CopyPart(drive, fits ? drivePart : "");
    CopyPart(dir, fits ? dirPart : "");
    CopyPart(fname, fits ? fnamePart : "");
    CopyPart(ext, fits ? extPart : "");
}
