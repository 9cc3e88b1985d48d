// The parser's texts in the machine's narrow code page.
#pragma once

#include <string>

// Converts UTF-8 to the ANSI code page through UTF-16, as every narrow text of
// the system is kept. Invalid UTF-8 becomes U+FFFD; a character the code page
// cannot represent becomes its default character.
std::string ToAnsiCodePage(const char* utf8);
