// Which addresses may reach a web browser or the page view: web pages only.
#pragma once

#include <string>

// Whether address is an http or https address (the scheme in any letter
// case). Anything else (a drive path such as "c:/pwn", file:, javascript:,
// a bare name) would be started as a program or shown from the local disk.
bool IsWebAddress(const std::string& address);
