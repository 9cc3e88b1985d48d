// For platform/ only: how the profile functions read the lines of an INI file.
//
// The file is taken as bytes in whatever encoding it has; a UTF-8 byte order
// mark at its start is not part of the first line. A line ends at LF, and a CR
// right before the LF belongs to the line end, so CR LF and LF files read
// alike; a last line without a line end is read too. NUL is an ordinary byte.
//
// - A line whose first non-blank byte is '[' starts a section. Its name is the
//   text up to the first ']', or to the end of the line when there is none, as
//   Windows reads it; blanks around the name do not count.
// - A line whose first non-blank byte is ';' is a comment.
// - Any other line with a '=' sets a key: the name is the text before the
//   first '=', the value the text after it, both without blanks at either end;
//   a value enclosed in one pair of matching quotes (" or ') loses them.
// - Lines without '=' mean nothing, and neither do lines before the first section.
//
// Names are compared without regard to the case of their letters: ASCII,
// and in names that are UTF-8 (the ANSI code page), the letters of the Latin,
// Greek and Cyrillic blocks, whatever the process's locale.
#pragma once

#include <string_view>

namespace platform {

// Byte order mark of a UTF-8 file.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

enum class IniLineKind { Other, Section, Key };

struct IniLine {
    IniLineKind kind = IniLineKind::Other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // key value, trimmed and unquoted
};

// What one line means (the line without its line end).
IniLine ReadIniLine(std::string_view line);

// The text without the blanks (space, tab, CR) at both ends.
std::string_view TrimBlanks(std::string_view text);

// Whether two section or key names are the same for the profile functions.
bool SameIniName(std::string_view a, std::string_view b);

// Splits an INI file's content into lines, skipping a leading byte order mark.
class IniLineSplitter {
public:
    explicit IniLineSplitter(std::string_view content);

    // The next line without and with its line end; false at the end of the content.
    bool Next(std::string_view& line, std::string_view& lineEnd);

private:
    std::string_view rest_;
};

} // namespace platform
