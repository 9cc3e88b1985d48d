#include "app/InstallerHandOff.h"

#include "app/QVUUpdateDlg.h"
#include "app/UpdateFrontEnd.h"
#include "base/KxString.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/shell.h"
#include "platform/strings.h"
#include "update/UpdateLog.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// Files the installed product and this program still need.
constexpr const char* kProtectedFileNames[] = {"Varuk.inf", "Rered.ini", "Rered.ini.bak",
                                               "QVVer.dll"};
constexpr const char* kLanguageFolders[] = {"DE", "EN", "ES", "FR", "IT"};
constexpr std::string_view kDataFolderEnd = "\\Data\\";

// "X:\..." or "\...": anything else is relative to the process's current
// folder, which the update manager never chose.
bool IsFullPath(const std::string& path) {
    const bool drive =
        path.size() >= 3 && ascii::IsLetter(path[0]) && path[1] == ':' && path[2] == '\\';
    return drive || (!path.empty() && path.front() == '\\');
}

// What ShellExecuteA's answer says about a program that did not start.
std::string StartFailure(INT_PTR result) {
    switch (result) {
    case SE_ERR_FNF:
    case SE_ERR_PNF:
        return "the program was not found";
    case SE_ERR_ACCESSDENIED:
        return "the program may not be run (access denied)";
    case ERROR_BAD_FORMAT:
        return "the file is no program this system can run";
    case SE_ERR_OOM:
        return "no process could be made (out of memory or processes)";
    default:
        return "the shell answered " + std::to_string(result);
    }
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

constexpr std::uint64_t kTicksPerSecond = 10'000'000;

std::uint64_t WholeSeconds(const FILETIME& time) {
    return ((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime) / kTicksPerSecond;
}

FILETIME FromSeconds(std::uint64_t seconds) {
    const std::uint64_t ticks = seconds * kTicksPerSecond;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void ResetFileTimes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA status;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &status))
        return;
    const std::uint64_t created = WholeSeconds(status.ftCreationTime);
    if (WholeSeconds(status.ftLastWriteTime) == created)
        return;
    // A file in use, without write permission or of another account keeps
    // its times: the installer then decides about it by its own rules.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const FILETIME creation = FromSeconds(created);
    const FILETIME lastAccess = FromSeconds(WholeSeconds(status.ftLastAccessTime));
    SetFileTime(file, &creation, &lastAccess, &creation);
    CloseHandle(file);
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

void ResetModificationTimes(const std::string& folder) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0)
            continue;
        const std::string path = folder + found.cFileName;
        // A link leads out of the product's own files, or back up the tree:
        // neither it nor its target is touched.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ResetModificationTimes(path + "\\");
        else
            ResetFileTimes(path);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void StartAuxiliaryPrograms(const std::string& installationFolder) {
    for (const char* name : {"VORAradodU.exe", "VORAradod32.exe"}) {
        const std::string program = installationFolder + name;
        if (GetFileAttributesA(program.c_str()) != INVALID_FILE_ATTRIBUTES)
            ShellExecuteA(nullptr, "open", program.c_str(), "-remove", nullptr, SW_HIDE);
    }
}

std::string InstallerParameters(const std::string& updateFolder, const std::string& packageName,
                                const std::string& logPath) {
    const std::string logPart = logPath.empty() ? "" : "/L*v \"" + logPath + "\" ";
    return "/i \"" + updateFolder + packageName + "\" " + logPart + "/qb+";
}

std::string StartInstaller(const std::string& parameters) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", "MsiExec.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL));
    return result > 32 ? std::string()
                       : "MsiExec.exe could not be started: " + StartFailure(result);
}

void PrepareInstalledProduct(const std::string& installationFolder,
                             const std::string& settingsFolder) {
    if (!IsFullPath(installationFolder))
        return;
    StartAuxiliaryPrograms(installationFolder);
    CleanUpPreviousInstallation(installationFolder, settingsFolder);
    ResetModificationTimes(installationFolder + "Data\\");
    ResetModificationTimes(installationFolder + "Docs\\");
}

void CQVUUpdateDlg::InstallPackage() {
    PrepareInstalledProduct(selection_.InstallationFolder, selection_.SettingsFolder);

    const std::string updateFolder = selection_.SettingsFolder + "Update\\";
    std::string logPath;
    const bool logged =
        CreateUpdateLog(selection_.SettingsFolder, selection_.InstalledVersion, offeredVersion_,
                        descriptionNote_, texts_, updateFolder, logPath);
    if (!logged) {
        KxString question;
        question.Format(Text("ERROR_UNABLETOCREATELOG").c_str(), logPath.c_str());
        if (ShowMessage(static_cast<const char*>(question), MB_YESNO | MB_ICONEXCLAMATION) !=
            IDYES) {
            busy_ = false;
            EnableStart(true);
            return;
        }
    }

    // The dialog closes either way; whoever started the program learns from
    // the front end and from the run's outcome that the installer does not run.
    const std::string failure =
        StartInstaller(InstallerParameters(updateFolder, packageName_, logged ? logPath : ""));
    installerStarted_ = failure.empty();
    installerFailed_ = !installerStarted_;
    if (installerFailed_)
        ShowNote(failure);
    busy_ = false;
    PostMessageA(window_, WM_CLOSE, 0, 0);
}
