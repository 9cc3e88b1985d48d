// Version texts of the update run: "A.B.C.D", four decimal numbers, e.g. the
// offered 5.1.2.1234 and the installed version of a product.
#pragma once

#include <string>
#include <string_view>

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
