// qvu-msiexec: a stand-in for the Windows Installer (msiexec) for tests and
// demonstrations. It installs nothing; it records how it was started, writes
// the beginning of a verbose log when asked for one, and checks that the
// package exists.
#include "platform/files.h"
#include "platform/strings.h"
#include "platform/system_info.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int kInstalled = 0;
constexpr int kPackageMissing = 1; // the Windows Installer's error 1619
constexpr int kUsageError = 2;

const char* const kUsage =
    "Usage: qvu-msiexec /i PACKAGE [/L*v LOGFILE] [OPTIONS...]\n"
    "\n"
    "A stand-in for the Windows Installer (MsiExec.exe) that installs nothing.\n"
    "Every start appends one line to the record file, holding the arguments\n"
    "exactly as received, each in square brackets. The record file is named by\n"
    "QVU_INSTALLER_RECORD, by default qvu-msiexec.log in the machine root\n"
    "(QVU_ROOT). With /L*v it appends the start of a verbose installer log to\n"
    "LOGFILE. PACKAGE and LOGFILE are Windows-style paths (C:\\...); other options\n"
    "(/qb+, ...) are recorded and ignored.\n"
    "\n"
    "Exit status: 0 when the package exists, 1 when it does not (the installer's\n"
    "error 1619), 2 for a command line without a package.\n";

struct Request {
    std::string package;
    std::string logPath;
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
void WriteVerboseLog(const Request& request, bool packageFound) {
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
    std::fprintf(log, "Installation success or error status: %d.\n", packageFound ? 0 : 1619);
    std::fprintf(log, "=== Verbose logging stopped: %s ===\n", Now().c_str());
    std::fclose(log);
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
    if (!request.logPath.empty())
        WriteVerboseLog(request, packageFound);
    if (!packageFound) {
        std::cerr << "qvu-msiexec: error 1619: the installation package " << request.package
                  << " could not be opened: it does not exist\n";
        return kPackageMissing;
    }
    std::cout << "qvu-msiexec: installed " << request.package
              << (request.logPath.empty() ? "" : " (log " + request.logPath + ")") << '\n';
    return kInstalled;
}
