#include "platform/profile/ini_syntax.h"

#include "platform/strings.h"

#include <algorithm>

namespace platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameIniName(std::string_view a, std::string_view b) {
    return ascii::EqualsIgnoringCase(a, b);
}

IniLine ReadIniLine(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() == ';')
        return {};
    if (line.front() == '[') {
        const std::string_view inside = line.substr(1);
        return {IniLineKind::Section, TrimBlanks(inside.substr(0, inside.find(']'))), {}};
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return {};
    return {IniLineKind::Key, TrimBlanks(line.substr(0, equals)),
            Unquoted(TrimBlanks(line.substr(equals + 1)))};
}

IniLineSplitter::IniLineSplitter(std::string_view content) : rest_(content) {
    if (rest_.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark)
        rest_.remove_prefix(kUtf8ByteOrderMark.size());
}

bool IniLineSplitter::Next(std::string_view& line, std::string_view& lineEnd) {
    if (rest_.empty())
        return false;
    const std::size_t newline = rest_.find('\n');
    if (newline == std::string_view::npos) {
        line = rest_;
        lineEnd = {};
        rest_ = {};
        return true;
    }
    const std::size_t endStart =
        (newline > 0 && rest_[newline - 1] == '\r') ? newline - 1 : newline;
    line = rest_.substr(0, endStart);
    lineEnd = rest_.substr(endStart, newline + 1 - endStart);
    rest_.remove_prefix(newline + 1);
    return true;
}

} // namespace platform
