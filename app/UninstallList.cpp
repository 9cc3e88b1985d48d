#include "app/UninstallList.h"

#include "platform/files.h"
#include "platform/strings.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// Files the installed product and this program still need.
constexpr const char* kProtectedFileNames[] = {"Varuk.inf", "Rered.ini", "Rered.ini.bak",
                                               "QVVer.dll"};
constexpr const char* kLanguageFolders[] = {"DE", "EN", "ES", "FR", "IT"};
constexpr std::string_view kDataFolderEnd = "\\Data\\";

bool IsFullPath(const std::string& path) {
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                       path[1] == ':' && path[2] == '\\';
    return drive || path.front() == '\\';
}

bool IsProtectedFileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    const char* name = path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
    for (const char* kept : kProtectedFileNames) {
        if (_stricmp(name, kept) == 0)
            return true;
    }
    return false;
}

std::string RunningProgramPath() {
    char path[32768];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

// One line without its line end; false at the end of the file. Lines of any
// length are read whole.
bool ReadLine(std::FILE* file, std::string& line) {
    line.clear();
    char chunk[4096];
    while (std::fgets(chunk, sizeof chunk, file)) {
        const std::size_t length = std::strlen(chunk);
        if (length > 0 && chunk[length - 1] == '\n') {
            line.append(chunk, length - 1);
            return true;
        }
        line.append(chunk, length);
    }
    return !line.empty();
}

bool ReadUninstallList(const std::string& listPath, const ProtectedPaths& kept,
                       UninstallEntries& entries) {
    if (_access(listPath.c_str(), 4) != 0)
        return false;
    std::FILE* list = _fsopen(listPath.c_str(), "r", _SH_DENYNO);
    if (list == nullptr)
        return false;
    std::string line;
    while (ReadLine(list, line))
        AddUninstallEntry(line, kept, entries);
    std::fclose(list);
    return true;
}

void RemoveFolder(std::string folder) {
    if (!folder.ends_with(kDataFolderEnd)) {
        for (const char* language : kLanguageFolders)
            RemoveDirectoryA((folder + language).c_str());
    }
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    RemoveDirectoryA(folder.c_str());
}

} // namespace

void AddUninstallEntry(const std::string& line, const ProtectedPaths& kept,
                       UninstallEntries& entries) {
    if (line.empty() || !IsFullPath(line))
        return;
    if (line.back() == '\\') {
        if (_stricmp(line.c_str(), kept.settingsFolder.c_str()) != 0 &&
            _stricmp(line.c_str(), kept.installationFolder.c_str()) != 0)
            entries.folders.insert(line);
    } else if (_stricmp(line.c_str(), kept.programPath.c_str()) != 0 &&
               !IsProtectedFileName(line)) {
        entries.files.insert(line);
    }
}

void CleanUpPreviousInstallation(const std::string& installationFolder,
                                 const std::string& settingsFolder) {
    const std::string listPath = installationFolder + "QVUninstall.ini";
    const ProtectedPaths kept{RunningProgramPath(), settingsFolder, installationFolder};
    UninstallEntries entries;
    if (!ReadUninstallList(listPath, kept, entries))
        return;
    for (const std::string& file : entries.files)
        DeleteFileA(file.c_str());
    // Byte order puts a folder before its subfolders, so a listed parent that
    // still holds a listed child stays.
    for (const std::string& folder : entries.folders)
        RemoveFolder(folder);
    DeleteFileA(listPath.c_str());
}
