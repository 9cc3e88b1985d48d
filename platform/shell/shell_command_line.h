// For platform/ only: the Windows rules that split a command line into arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Blanks and tabs separate arguments outside quotation marks; a quotation mark
// opens or closes a quoted part. Backslashes are literal unless they precede a
// quotation mark: 2n of them become n and the mark toggles quoting, 2n+1
// become n and a literal quotation mark.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

} // namespace platform
