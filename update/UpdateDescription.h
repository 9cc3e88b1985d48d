// The update description file QVU.ini: where the server offers it, where the
// run stores it, and the check that it has the format this program reads.
#pragma once

#include <string>

// The only format version this program reads: both the opening section
// QVU.ini and the closing section QVU.end carry it, so a cut file fails.
inline constexpr char kDescriptionFormatVersion[] = "3.1";

// The stored copy: the settings folder (ending with a backslash) followed by
// "Update\QVU.ini".
std::string UpdateDescriptionPath(const std::string& settingsFolder);
// The file on the update server: its base address followed by "/QVU.ini".
std::string UpdateDescriptionAddress();

enum class DescriptionFormat {
    Ok,
    // No ver in section QVU.ini: not a description file at all (e.g. an
    // error page of the server, or nothing stored).
    Missing,
    // A ver in QVU.ini or QVU.end (empty for a file cut before QVU.end)
    // other than the one this program reads.
    WrongVersion,
};

// Checks the format versions of a stored description file. foundVersion
// receives the text that decided: the refused ver, or the accepted one.
DescriptionFormat CheckDescriptionFormat(const std::string& descriptionPath,
                                         std::string& foundVersion);
