// Where a package is stored: always directly inside the product's update
// folder (Update\ of its settings folder), whatever name the description
// file gives it.
#pragma once

#include <optional>
#include <string>

// The settings folder (ending with a backslash) followed by "Update\" and
// fileName; nothing when fileName is not a plain name (IsPlainFileName), so
// a name such as "..\x" or "C:x" never leads out of the folder.
std::optional<std::string> PackageTargetPath(const std::string& settingsFolder,
                                             const char* fileName);

// Whether targetPath is a plain file name directly in the folder of the
// stored description file (its Update\ folder).
bool IsInUpdateFolder(const std::string& descriptionPath, const std::string& targetPath);
