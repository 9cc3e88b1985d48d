// Finding the installed products: where each keeps its settings and program
// files, as its installer recorded them in the machine's registry, and the
// version of the installed program, read from its version module QVVer.dll.
#pragma once

#include "platform/win_types.h"
#include "products/ProductCatalogue.h"

#include <array>
#include <string>

// What the update run knows about the installed products and the one it
// updates; the update dialog holds one.
struct ProductSelection {
    ProductSet Installed = 0;
    // NoProduct until chosen.
    Product Selected = NoProduct;
    // The selected product's folders, each ending with a backslash.
    std::string SettingsFolder;
    std::string InstallationFolder;
    // The installed product's file version, as the installed-version label shows it.
    std::string InstalledVersion;
};

// ---- Installed products ----

// True when product is installed: its settings folder is recorded and holds
// Rered.ini. Then fills the outputs given (null ones are skipped): the
// settings folder, and the installation folder (recorded, else the one
// Rered.ini names, possibly empty). Both end with a backslash unless empty.
bool ReadProductInstallation(Product product, std::string* settingsFolder,
                             std::string* installationFolder);

// Fills the installed set of selection. When ownFolder (the update manager's
// folder, ending with a backslash) is the settings or installation folder of
// an installed product, that product is selected with its folders; of
// several such products the last in ascending order wins.
void DetectInstalledProducts(const std::string& ownFolder, ProductSelection& selection);

// ---- Version of the installed program ----

struct FileVersionNumbers {
    int V1 = 0;
    int V2 = 0;
    int V3 = 0;
    int V4 = 0;
};

// "V1.V2.V3.V4" read from the start of the text; numbers missing are 0, and
// numbers beyond the int range are held at its ends.
FileVersionNumbers ParseFileVersion(const std::string& text);

// The version text of an edition line, which numbers its releases in its own
// way: "x.y" when V4 is 0, else "x.y.V3.V4", where (x, y) is the line's own
// numbering of the release.
std::string EditionVersion(EditionLine line, const FileVersionNumbers& version);

// What the last reading found; the process keeps one, replaced as a whole.
struct ModuleVersionInfo {
    // The module's FileVersion with every "," turned into ".".
    std::string fileVersion;
    // Indexed by EditionLine.
    std::array<std::string, kEditionLineCount> editionVersion;

    // The version of line; the file version for EditionLine::None, which
    // products outside the catalogue have.
    const std::string& EditionVersionOf(EditionLine line) const;
};

// Shown in every field when no version module is found.
inline constexpr const char* kNoModuleText = "No QVVer.dll found";

// Reads QVVer.dll in folder (ending with a backslash; empty: the bare name,
// found by the system's library search) and replaces the process's record.
// A module not found there is looked for in the program folder that the
// settings file of the product named by the project file Varuk.inf records.
void ReadModuleVersion(const std::string& folder);

// A copy of the process's record as the last reading left it.
ModuleVersionInfo CurrentModuleVersion();

// Reads the version module of the selected product's installation folder,
// keeps its file version as the installed version and shows the product's
// name with both versions in the dialog's control labelControl.
void ShowInstalledVersion(HWND dialog, int labelControl, ProductSelection& selection);
