// The dated update log: one file per day in the product's log folder, with a
// header for every installation started; the Windows Installer then writes
// its own log into the same file.
#pragma once

#include "platform/win_types.h"

#include <string>

class XMLLocalizer;

// The log file of the day: "<folder>QVUUpdate(YYYY-MM-DD).log".
std::string UpdateLogPath(const std::string& folder, const SYSTEMTIME& now);

// The header of one installation, with "\n" line ends (stored as CR LF).
std::string UpdateLogHeader(const std::string& headline, const SYSTEMTIME& now,
                            const std::string& installedVersion, const std::string& offeredVersion);

// Appends the header to the day's log in the Log location of the product's
// data path, or in defaultFolder when the product names none (creating the
// folders). logPath receives the file's path in any case. False when the
// file could not be opened or written.
bool CreateUpdateLog(const std::string& settingsFolder, const std::string& installedVersion,
                     const std::string& offeredVersion, const XMLLocalizer& localizer,
                     const std::string& defaultFolder, std::string& logPath);
