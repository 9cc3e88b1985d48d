// The product's uninstall list "QVUninstall.ini" in its installation folder:
// files and folders of the previous installation to remove before the
// Windows Installer replaces the product.
#pragma once

#include <set>
#include <string>

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
