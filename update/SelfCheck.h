// The update manager's check of itself (whether the update server holds a
// newer copy of this program than the one running), its own version, and
// where it finds its servers.
#pragma once

#include "platform/win_types.h"

#include <optional>
#include <string>
#include <string_view>

class XMLLocalizer;

// The update manager's own version: shown in the dialog and written into the
// update log, so both always name the same release.
inline constexpr char kUpdateManagerVersion[] = "4.2.4";

// The vendor's web server, whose pages the translation table's BROWSER_ items
// address as this root followed by "?URL=" and a page name.
inline constexpr char kWebServerRoot[] = "https://www.quorvane.example/";

// ---- Server addresses ----
// Where the update manager finds its servers: the update server (description
// file, packages, the update manager's own program) and the vendor's web
// server (the pages shown beside the dialog). The built-in addresses can be
// replaced through the environment, QVU_UPDATE_SERVER and QVU_WEB_SERVER,
// for tests and for administrators who mirror the servers; a value that is
// not a usable address is ignored.

// An http or https address split into its parts. base is the whole address
// without trailing slashes; host keeps the brackets of an IPv6 literal.
struct ServerAddress {
    std::string base;
    std::string host;
    int port = 0;
    bool secure = false; // https
};

// Accepts "scheme://host[:port][/path]" with the scheme http or https
// (any case) and a port from 1 to 65535; the port defaults to the scheme's.
// Nothing when the text is anything else (user names, queries, blanks...).
std::optional<ServerAddress> ParseServerAddress(std::string_view text);

// The update server's base address, e.g. "https://update.quorvane.example";
// the description file and the packages are found below it.
std::string UpdateServerBaseAddress();
// The update server's host, port and scheme for the update manager's own
// check: plain HTTP on port 80 for the built-in server, else the port and
// scheme of the configured address (https asks over TLS).
std::string UpdateServerHost();
int UpdateServerPort();
bool UpdateServerIsSecure();

// The vendor's web server root, ending with "/".
std::string WebServerAddress();
// A page address of the translation table moved to the configured web
// server: the built-in root is replaced; other addresses stay as they are.
std::string WebPageAddress(const std::string& tableAddress);

// ---- The self-check ----

// Asks the update server for the size and modification time of the current
// update manager (the beta one for a beta build) and compares them with the
// running program's file: a different size, or a server copy more than 30
// seconds younger, is newer. When it is, the user is told (a beta build asks
// and may decline) in a message box owned by owner and captioned with the
// application name, and autostart is cleared. Answers true when the user is
// to fetch the newer program. Failures to reach the server are thrown as
// CInternetException; an answer other than 200 or missing headers pass.
bool CheckForNewerUpdateManager(bool beta, const XMLLocalizer& localizer, HWND owner,
                                const char* caption, bool& autostart);
