// Handing a downloaded package to the Windows Installer: the product's
// auxiliary programs, the installer's command line and its start.
#pragma once

#include <string>

// Starts "VORAradodU.exe", then "VORAradod32.exe" of the installation folder
// (ending with a backslash) with "-remove", hidden, each only when it exists.
// Nothing waits for them.
void StartAuxiliaryPrograms(const std::string& installationFolder);

// The installer's parameters for the package packageName in updateFolder
// (ending with a backslash), with a verbose log into logPath, or without a
// log when logPath is empty: /i "PACKAGE" [/L*v "LOG" ]/qb+.
std::string InstallerParameters(const std::string& updateFolder, const std::string& packageName,
                                const std::string& logPath);

// Starts "MsiExec.exe" with the parameters; nobody waits for it, and a
// failure to start it is not detected.
void StartInstaller(const std::string& parameters);
