// The update description file QVU.ini: where the server offers it, where the
// run stores it, the check that it has the format this program reads, the
// version it offers, and the package entry of a product's section.
#pragma once

#include "platform/win_types.h"
#include "products/ProductCatalogue.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class XMLLocalizer;

// ---- Reading the file ----

// Reads one text value of an INI file the way every reader of the update run
// does: 260-byte buffer, so longer values are cut to 259 bytes.
std::string ReadProfileText(const std::string& path, const char* section, const char* key,
                            const char* defaultValue = "");
// The same for a key whose absence means something else than an empty
// value: nothing when the file, the section or the key is missing.
std::optional<std::string> ReadProfileValue(const std::string& path, const char* section,
                                            const char* key);

// ---- Versions ----
// Version texts of the update run: "A.B.C.D", four decimal numbers, e.g. the
// offered 5.1.2.1234 and the installed version of a product.

// Whether the short version text is shown instead of versionLong: its last
// number (the part after the last ".", read like atoi) is 0.
bool ShowsShortVersion(std::string_view versionLong);
// The version text to show for a release: versionShort for a release whose
// last number is 0 (5.1 for 5.1.0.0), else versionLong itself.
std::string ChooseShownVersion(std::string_view versionLong, std::string_view versionShort);

// 1 when a is newer, -1 when b is newer, 0 when equal. Each text is read
// like sscanf's "%d.%d.%d.%d" (blanks and a sign allowed before every number);
// numbers that are not there count as -1, so 4.2 is older than 4.2.0.
int CompareVersions(std::string_view a, std::string_view b);

// ---- The file, its place and its format ----

// The only format version this program reads: both the opening section
// QVU.ini and the closing section QVU.end carry it, so a cut file fails.
inline constexpr char kDescriptionFormatVersion[] = "3.1";

// The most that is stored of a description file: a real one is a few
// kilobytes, and a longer answer is refused as not found instead of filling
// the disk.
inline constexpr DWORD kDescriptionSizeLimit = 1u << 20;

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

// ---- The package entry ----

// The package part of a product's section in the update description file:
// which Windows Installer package to fetch, from where, and how to check it.
struct PackageEntry {
    // Name of the package inside the product's Update\ folder.
    std::string fileName = "Quorvane.msi";
    // Exact size in bytes; 0 when absent, negative or not a number.
    DWORD fileSize = 0;
    // MD5 digest as 32 hexadecimal digits (either letter case).
    std::string md5;
    // SHA-256 digest as exactly 64 hexadecimal digits (either letter case);
    // nothing when the key is absent. Present, it must match as well, and a
    // value that is no such digest (empty included) refuses the package.
    std::optional<std::string> sha256;
    // MSI1, MSI2, ... up to the first absent or empty key, tried in this order.
    std::vector<std::string> downloadAddresses;
};

// Reads the package entry of the section shortId (a product's short id, e.g.
// "Olvin5") from the stored description file; missing keys give the defaults.
PackageEntry ReadPackageEntry(const std::string& descriptionPath, const std::string& shortId);

// Whether a FileName of the description file may be used as given: a plain
// name, neither empty nor "." nor "..", without \, / or a drive's ':', so the
// package can only ever be written inside the Update\ folder; and not the name
// (in any letter case, trailing blanks and dots aside) of a file that the run
// itself writes there: the description "QVU.ini" or an update log
// "QVUUpdate(...).log".
bool IsPlainFileName(const char* name);

// ---- The first step of retrieval in every update run ----

// Downloads QVU.ini from the update server into the settings folder's
// Update\ folder (an answer longer than kDescriptionSizeLimit is cut there
// and counts as not found; one that does not come whole within the receive
// time-out, however steadily it trickles, ends there as a stalled one does),
// checks its format versions and reads the selected product's VersionLong
// into offeredVersion. Answers true when the offered version is known and shown
// in the dialog's control labelControl; false after the failure was shown in
// that control and (but for a product without a release) in a message box
// owned by the dialog and captioned with caption. Where publishers' keys are
// trusted, only a description with a valid signature is used
// (CheckDescriptionSignature); one refused ends the run as one not found, with
// the reason in the day's update log and the trace log. trustNote receives
// what became of an accepted description ("not signed", or "signature
// verified ..."), for the update log of the installation that follows.
bool EvaluateUpdateDescription(Product selected, const std::string& settingsFolder,
                               const XMLLocalizer& localizer, HWND dialog, int labelControl,
                               const char* caption, std::string& offeredVersion,
                               std::string& trustNote);
