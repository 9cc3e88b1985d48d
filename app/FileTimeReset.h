// Before an installation the product's data and documentation files get their
// last-write time set back to their creation time, so the Windows Installer
// treats them as unmodified and replaces them.
#pragma once

#include <string>

// Walks folder (ending with a backslash) depth first. Where a file's
// last-write time differs from its creation time in whole seconds, sets it to
// the creation time (all times written at one-second resolution); other files
// are not touched. Files whose times cannot be read or written, and symbolic
// links, are skipped.
void ResetModificationTimes(const std::string& folder);
