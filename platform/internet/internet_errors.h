// For platform/ only: libcurl's results as WinInet's error codes, and the
// system's description of those codes.
#pragma once

#include "platform/win_types.h"

#include <curl/curl.h>

namespace platform {

DWORD InternetErrorFromCurl(CURLcode code);

// The system's text for an internet error code, without a final period.
const char* InternetErrorText(DWORD error);

} // namespace platform
