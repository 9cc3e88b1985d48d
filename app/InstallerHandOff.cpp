#include "app/InstallerHandOff.h"

#include "platform/files.h"
#include "platform/shell.h"

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

void StartInstaller(const std::string& parameters) {
    ShellExecuteA(nullptr, "open", "MsiExec.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
}
