// qvu-msiexec: a stand-in for the Windows Installer (msiexec) for tests and
// demonstrations. It records how it was started, checks that the package
// exists and writes a verbose log when asked for one. It installs nothing,
// unless QVU_INSTALLER_TARGETDIR names the folder the package's root folder
// (TARGETDIR) stands for: then it unpacks the package with msiextract
// (msitools) and copies its files there.
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/process.h"
#include "platform/strings.h"
#include "platform/sync.h"
#include "platform/system_info.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kInstalled = 0;
constexpr int kPackageMissing = 1; // the Windows Installer's error 1619
constexpr int kUsageError = 2;
constexpr int kInstallationFailed = 3; // the Windows Installer's errors 1603 and 1620

constexpr int kStatusSuccess = 0;
constexpr int kStatusFatalError = 1603;
constexpr int kStatusPackageMissing = 1619;
constexpr int kStatusPackageInvalid = 1620;

const char* const kUsage =
    "Usage: qvu-msiexec /i PACKAGE [/L*v LOGFILE] [OPTIONS...]\n"
    "\n"
    "A stand-in for the Windows Installer (MsiExec.exe). Every start appends one\n"
    "line to the record file, holding the arguments exactly as received, each in\n"
    "square brackets. The record file is named by QVU_INSTALLER_RECORD, by default\n"
    "qvu-msiexec.log in the machine root (QVU_ROOT). With /L*v it appends a\n"
    "verbose installer log to LOGFILE. PACKAGE and LOGFILE are Windows-style paths\n"
    "(C:\\...); other options (/qb+, ...) are recorded and ignored.\n"
    "\n"
    "It installs nothing, unless QVU_INSTALLER_TARGETDIR names the folder the\n"
    "package's root folder (TARGETDIR) stands for, Windows-style (C:\\): then it\n"
    "unpacks PACKAGE, a real MSI package, with msiextract (msitools) and copies its\n"
    "files there, replacing files of the same names (the package's\n"
    "ProgramFilesFolder is \"Program Files\"), and logs each file it installed.\n"
    "\n"
    "Exit status: 0 when the package exists (and was installed), 1 when it does\n"
    "not (the installer's error 1619), 2 for a command line without a package,\n"
    "3 when the installation failed: the package is no MSI package (error 1620),\n"
    "or unpacking or copying failed (error 1603).\n";

struct Request {
    std::string package;
    std::string logPath;
};

// What an installation did: the files written (Windows paths) and, when it
// failed, why and the installer's error.
struct Installation {
    std::vector<std::string> files;
    std::string failure;
    int status = kStatusSuccess;

    void Fail(std::string why, int error = kStatusFatalError) {
        failure = std::move(why);
        status = error;
    }
};

bool IsSwitch(const std::string& argument, const char* name) {
    return _stricmp(argument.c_str(), name) == 0;
}

// The switches this stand-in acts on; the package and log switches take the next argument.
bool ParseRequest(const std::vector<std::string>& arguments, Request& request) {
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (IsSwitch(arguments[i], "/i") || IsSwitch(arguments[i], "/package"))
            request.package = arguments[++i];
        else if (IsSwitch(arguments[i], "/L*v"))
            request.logPath = arguments[++i];
    }
    return !request.package.empty();
}

std::string RecordPath() {
    const char* named = std::getenv("QVU_INSTALLER_RECORD");
    return named && *named ? named : platform::MachineRoot() + "/qvu-msiexec.log";
}

void AppendRecord(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments)
        line += (line.empty() ? "[" : " [") + argument + "]";
    std::ofstream record(RecordPath(), std::ios::app | std::ios::binary);
    record << line << '\n';
    if (!record)
        std::cerr << "qvu-msiexec: cannot write the record file " << RecordPath() << '\n';
}

std::string Now() {
    const std::time_t now = std::time(nullptr);
    char text[32] = "";
    std::strftime(text, sizeof text, "%m/%d/%Y  %H:%M:%S", std::localtime(&now));
    return text;
}

// Appends to the log the lines a verbose installer log holds for this run.
void WriteVerboseLog(const Request& request, const Installation& installation, int status) {
    std::FILE* log = _fsopen(request.logPath.c_str(), "a", _SH_DENYNO);
    if (log == nullptr) {
        std::cerr << "qvu-msiexec: cannot open the log file " << request.logPath << '\n';
        return;
    }
    std::fprintf(log,
                 "=== Verbose logging started: %s  Build type: stand-in  Calling process: "
                 "qvu-msiexec ===\n",
                 Now().c_str());
    std::fprintf(log, "Installing package %s\n", request.package.c_str());
    for (const std::string& file : installation.files)
        std::fprintf(log, "Installed file %s\n", file.c_str());
    if (!installation.failure.empty())
        std::fprintf(log, "Error: %s\n", installation.failure.c_str());
    std::fprintf(log, "Installation success or error status: %d.\n", status);
    std::fprintf(log, "=== Verbose logging stopped: %s ===\n", Now().c_str());
    std::fclose(log);
}

std::string WithBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

std::string ErrorText(const char* what, const std::string& path) {
    return std::string(what) + " " + path + " (error " + std::to_string(GetLastError()) + ")";
}

// A new folder of its own in the temporary folder ("" when none could be made).
std::string MakeWorkFolder() {
    char temp[MAX_PATH] = "";
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp)
        return "";
    const std::string stem =
        std::string(temp) + "qvu-msiexec-" + std::to_string(GetCurrentProcessId());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string folder = stem + (attempt ? "-" + std::to_string(attempt) : "") + "\\";
        if (CreateDirectoryA(folder.c_str(), nullptr))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return "";
    }
    return "";
}

// The entries of folder (ending with a backslash), but "." and "..".
std::vector<WIN32_FIND_DATAA> FolderEntries(const std::string& folder) {
    std::vector<WIN32_FIND_DATAA> entries;
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return entries;
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
            entries.push_back(found);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return entries;
}

void RemoveFolder(const std::string& folder) {
    for (const WIN32_FIND_DATAA& entry : FolderEntries(folder)) {
        const std::string path = folder + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            RemoveFolder(path + "\\");
        else
            DeleteFileA(path.c_str());
    }
    RemoveDirectoryA(folder.c_str());
}

// Copies the files below source into the existing folder target (both ending
// with a backslash), making the folders they need; stops at the first failure.
bool CopyFolder(const std::string& source, const std::string& target, Installation& installation) {
    for (const WIN32_FIND_DATAA& entry : FolderEntries(source)) {
        const std::string from = source + entry.cFileName;
        const std::string to = target + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!CreateDirectoryA(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
                installation.Fail(ErrorText("cannot make the folder", to));
                return false;
            }
            if (!CopyFolder(from + "\\", to + "\\", installation))
                return false;
        } else if (CopyFileA(from.c_str(), to.c_str(), FALSE)) {
            installation.files.push_back(to);
        } else {
            installation.Fail(ErrorText("cannot write the file", to));
            return false;
        }
    }
    return true;
}

// An MSI package is an OLE compound file: it begins with that file's signature.
bool HasPackageSignature(const std::string& package) {
    static constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::FILE* file = _fsopen(package.c_str(), "rb", _SH_DENYNO);
    if (file == nullptr)
        return false;
    unsigned char start[sizeof kSignature] = {};
    const bool read = std::fread(start, 1, sizeof start, file) == sizeof start;
    std::fclose(file);
    return read && std::memcmp(start, kSignature, sizeof start) == 0;
}

// Runs msiextract in workFolder on the package copied there, into its
// subfolder "files"; "" when it unpacked the package, else why not.
std::string RunMsiExtract(const std::string& workFolder) {
    std::string commandLine = "msiextract -C files package.msi";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, workFolder.c_str(), &startup, &process))
        return "msiextract (msitools) cannot be started (error " + std::to_string(GetLastError()) +
               ")";
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = STILL_ACTIVE;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (exitCode != 0)
        return "msiextract cannot unpack the package (exit status " + std::to_string(exitCode) +
               ")";
    return "";
}

// Unpacks the package and copies its files below targetFolder, the folder
// that stands for the package's root folder.
Installation Install(const std::string& package, const std::string& targetFolder) {
    Installation installation;
    if (!HasPackageSignature(package)) {
        installation.Fail("the package " + package + " is no Windows Installer package",
                          kStatusPackageInvalid);
        return installation;
    }
    const DWORD attributes = GetFileAttributesA(targetFolder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        installation.Fail("the target folder " + targetFolder + " does not exist");
        return installation;
    }
    const std::string work = MakeWorkFolder();
    if (work.empty()) {
        installation.Fail("cannot make a work folder in the temporary folder");
        return installation;
    }
    // msiextract works in its own folder, on names of its own.
    if (!CopyFileA(package.c_str(), (work + "package.msi").c_str(), FALSE)) {
        installation.Fail(ErrorText("cannot read the package", package));
    } else if (std::string why = RunMsiExtract(work); !why.empty()) {
        installation.Fail(why);
    } else if (CopyFolder(work + "files\\", WithBackslash(targetFolder), installation) &&
               installation.files.empty()) {
        // msiextract ends with success on a package it cannot read.
        installation.Fail("msiextract found no files in the package");
    }
    RemoveFolder(work);
    return installation;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 1 && arguments[0] == "--help") {
        std::cout << kUsage;
        return kInstalled;
    }
    AppendRecord(arguments);
    Request request;
    if (!ParseRequest(arguments, request)) {
        std::cerr << "qvu-msiexec: no package given\n" << kUsage;
        return kUsageError;
    }
    const bool packageFound = _access(request.package.c_str(), 0) == 0;
    const char* target = std::getenv("QVU_INSTALLER_TARGETDIR");
    const bool unpacks = packageFound && target != nullptr && *target != '\0';
    const Installation installation = unpacks ? Install(request.package, target) : Installation{};
    const int status = packageFound ? installation.status : kStatusPackageMissing;
    if (!request.logPath.empty())
        WriteVerboseLog(request, installation, status);
    if (!packageFound) {
        std::cerr << "qvu-msiexec: error 1619: the installation package " << request.package
                  << " could not be opened: it does not exist\n";
        return kPackageMissing;
    }
    if (status != kStatusSuccess) {
        std::cerr << "qvu-msiexec: error " << status << ": the installation of " << request.package
                  << " failed: " << installation.failure << '\n';
        return kInstallationFailed;
    }
    std::cout << "qvu-msiexec: installed " << request.package;
    if (unpacks)
        std::cout << " into " << WithBackslash(target) << " (" << installation.files.size()
                  << " files)";
    std::cout << (request.logPath.empty() ? "" : " (log " + request.logPath + ")") << '\n';
    return kInstalled;
}
