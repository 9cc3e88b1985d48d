// Text from outside (a server, a file, a command line) made harmless for a
// terminal and for a log: a terminal obeys the control characters in what it
// is given (it retitles itself, repaints or hides lines, writes the
// clipboard), and a log line that holds them misleads whoever reads it.
#pragma once

#include "base/KxExport.h"

#include <string>
#include <string_view>

enum class LineFeeds {
    Escaped, // one value: a line feed is as suspect as any other control
    Kept,    // a text with line breaks of its own, such as a translated message
};

// text with every control character shown as "\xHH" (lowercase hex, one per
// byte): the C0 controls 0x00-0x1F (tab and carriage return among them; the
// line feed too unless lineFeeds keeps it), DEL 0x7F, the C1 controls
// U+0080-U+009F in their UTF-8 form, and every byte that is no part of a
// well-formed UTF-8 sequence (a lone 0x9B is a C1 control to many terminals).
// Every other character, in any script, stays as it is, and so does every
// other byte: the answer is well-formed UTF-8 without control characters
// (but the kept line feeds). Never fails.
KX_EXPORT std::string VisibleControls(std::string_view text,
                                      LineFeeds lineFeeds = LineFeeds::Escaped);
