// Handing a downloaded package to the Windows Installer: the previous
// installation's leftovers, the product's auxiliary programs, the installer's
// command line and its start.
#pragma once

#include <set>
#include <string>

// ---- The installer and the product's auxiliary programs ----

// Starts "VORAradodU.exe", then "VORAradod32.exe" of the installation folder
// (ending with a backslash) with "-remove", hidden, each only when it exists.
// Nothing waits for them.
void StartAuxiliaryPrograms(const std::string& installationFolder);

// The installer's parameters for the package packageName in updateFolder
// (ending with a backslash), with a verbose log into logPath, or without a
// log when logPath is empty: /i "PACKAGE" [/L*v "LOG" ]/qb+.
std::string InstallerParameters(const std::string& updateFolder, const std::string& packageName,
                                const std::string& logPath);

// Starts "MsiExec.exe" with the parameters; nobody waits for it. Answers ""
// when it started, else a line that says why it could not be started.
std::string StartInstaller(const std::string& parameters);

// Prepares the installed product for its replacement: starts its auxiliary
// programs, processes its uninstall list and resets the file times of its
// Data\ and Docs\ folders. An installation folder that is empty or not a
// full path names nothing of the product's (it would be the process's
// current folder): then nothing is done.
void PrepareInstalledProduct(const std::string& installationFolder,
                             const std::string& settingsFolder);

// ---- The uninstall list ----
// The product's uninstall list "QVUninstall.ini" in its installation folder:
// files and folders of the previous installation to remove before the
// Windows Installer replaces the product.

// What a list asks to remove, each set in plain byte order without duplicates.
struct UninstallEntries {
    std::set<std::string> files;
    std::set<std::string> folders; // each ending with a backslash
};

// The folders and files that are never removed, whatever the list says.
struct ProtectedPaths {
    std::string programPath;        // the running update manager
    std::string settingsFolder;     // ending with a backslash
    std::string installationFolder; // ending with a backslash
};

// Sorts one line of the list into entries. Skipped: empty lines, protected
// entries, and entries that are not full paths (neither "X:\" nor a leading
// backslash), which would otherwise name something in the current folder.
void AddUninstallEntry(const std::string& line, const ProtectedPaths& kept,
                       UninstallEntries& entries);

// Processes the list of installationFolder: deletes its files, removes its
// folders when they are empty (after the empty language subfolders DE, EN,
// ES, FR and IT below them, except below a "\Data\" folder), and deletes the
// list. Failures are ignored; a missing or unreadable list removes nothing.
void CleanUpPreviousInstallation(const std::string& installationFolder,
                                 const std::string& settingsFolder);

// ---- File times of data and documentation ----
// Before an installation the product's data and documentation files get their
// last-write time set back to their creation time, so the Windows Installer
// treats them as unmodified and replaces them.

// Walks folder (ending with a backslash) depth first. Where a file's
// last-write time differs from its creation time in whole seconds, sets it to
// the creation time (all times written at one-second resolution); other files
// are not touched. Files whose times cannot be read or written, and symbolic
// links, are skipped.
void ResetModificationTimes(const std::string& folder);
