#include "base/CreateFolderPath.h"

#include "platform/files.h"
#include "platform/strings.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool Exists(const char* path) {
    return _access(path, 0) == 0;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// Creates each missing folder along the path, cutting the text at every
// separator from the third character on, so "X:" or a leading "\\" is never
// taken for a folder.
void CreateEachPrefix(char* path) {
    const std::size_t length = std::strlen(path);
    for (std::size_t i = 2; i < length; ++i) {
        const char kept = path[i];
        const bool cut = IsSeparator(kept);
        if (!cut && i != length - 1)
            continue;
        if (cut)
            path[i] = '\0';
        if (!Exists(path))
            CreateDirectoryA(path, nullptr);
        path[i] = kept;
    }
}

std::string CurrentDirectory() {
    char* current = _getcwd(nullptr, 0);
    if (current == nullptr)
        return {};
    std::string text(current);
    std::free(current);
    return text;
}

// Walks the path's pieces from the current directory, entering each one and
// creating those that cannot be entered. Answers 0 when all were entered.
int EnterEachPiece(const char* rest) {
    std::string piece;
    for (const char* p = rest;; ++p) {
        if (*p != '\0' && !IsSeparator(*p)) {
            piece += *p;
            continue;
        }
        if (_chdir(piece.c_str()) != 0) {
            CreateDirectoryA(piece.c_str(), nullptr);
            if (_chdir(piece.c_str()) != 0)
                return 1;
        }
        if (*p == '\0')
            return 0;
        piece.clear();
    }
}

// The second way: select the path's drive and walk it by changing the current
// directory. The current directory and drive are restored on every path out.
int CreateByChangingDirectory(const char* path) {
    const std::string originalDirectory = CurrentDirectory();
    const int originalDrive = _getdrive();
    const char* colon = std::strchr(path, ':');
    int result = 1;
    if (colon == nullptr || colon == path + 1) {
        const bool driveSelected =
            colon == nullptr || _chdrive(ascii::ToUpper(path[0]) - 'A' + 1) == 0;
        if (driveSelected) {
            const std::string driveDirectory = CurrentDirectory();
            const char* rest = colon ? path + 2 : path;
            bool ready = true;
            if (*rest == '\\') {
                ready = _chdir(colon ? std::string(path, 2).append("\\").c_str() : "\\") == 0;
                ++rest;
            }
            if (ready)
                result = EnterEachPiece(rest);
            _chdir(driveDirectory.c_str());
        }
    }
    if (originalDrive != 0)
        _chdrive(originalDrive);
    _chdir(originalDirectory.c_str());
    return result;
}

} // namespace

int CreateFolderPath(char* path) {
    if (path == nullptr)
        return 1;
    if (Exists(path))
        return 0;
    CreateEachPrefix(path);
    if (Exists(path))
        return 0;
    return CreateByChangingDirectory(path);
}
