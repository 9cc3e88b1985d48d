// The version of the installed product, read from the version resource of
// its version module QVVer.dll.
#pragma once

#include "products/Product.h"

#include <array>
#include <string>

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
