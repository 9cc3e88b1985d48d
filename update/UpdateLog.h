// The dated update log: one file per day in the product's log folder, with a
// header for every installation started; the Windows Installer then writes
// its own log into the same file.
#pragma once

#include "platform/win_types.h"

#include <string>
#include <string_view>

class XMLLocalizer;

// The log file of the day: "<folder>QVUUpdate(YYYY-MM-DD).log".
std::string UpdateLogPath(const std::string& folder, const SYSTEMTIME& now);
// Whether name is, in any letter case, that of an update log of any day:
// "QVUUpdate(" ... ").log".
bool IsUpdateLogName(std::string_view name);

// The header of one installation, with "\n" line ends (stored as CR LF); the
// versions' control characters are shown as VisibleControls shows them.
std::string UpdateLogHeader(const std::string& headline, const SYSTEMTIME& now,
                            const std::string& installedVersion, const std::string& offeredVersion);

// Appends the header to the day's log in the Log location of the product's
// data path, or in defaultFolder when the product names none (creating the
// folders), and after it descriptionNote (what became of the description's
// signature) on a line of its own, when not empty. logPath receives the file's path in any case.
// False when the file could not be opened or written.
bool CreateUpdateLog(const std::string& settingsFolder, const std::string& installedVersion,
                     const std::string& offeredVersion, const std::string& descriptionNote,
                     const XMLLocalizer& localizer, const std::string& defaultFolder,
                     std::string& logPath);

// Appends one line to the same day's log, with the date and time before it
// and text's control characters shown: why a run ended before an installation
// (a description refused), which no header would tell. False when the file
// could not be opened or written.
bool AppendUpdateLogLine(const std::string& settingsFolder, const std::string& defaultFolder,
                         const std::string& text);

// The folders of a product's active data path: its settings name data paths
// (Rered.ini, section VAZuvedev_#_Datapaths), each with a settings file of
// its own that names the folder of every location (e.g. Log). The folder of location locationName
// in the active data path of the product whose settings folder (ending with a backslash) is given;
// with closingBackslash a missing final backslash is added. Empty when there is no data path, its
// settings file cannot be read, or the location is not named.
std::string ResolveDataLocation(const std::string& settingsFolder, const char* locationName,
                                bool closingBackslash);
