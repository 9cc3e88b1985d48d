#include "localization/StoredText.h"

#include <string_view>

namespace {

bool EndsWithEscapedLineEnd(const std::string& text) {
    return text.size() >= 2 && text[text.size() - 2] == '\\' &&
           (text.back() == 'n' || text.back() == 'r');
}

// A line break of the document and the next line's indentation (tabs) join
// the lines with one blank; after an escaped line end (\n or \r) nothing is
// put in, since the escape is the line end wanted. There the character after
// the indentation is taken as it is, so a blank line that follows stays.
// A break followed by nothing but tabs stays too.
std::string JoinLines(std::string_view text) {
    std::string joined;
    joined.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t lineFeed = text.find('\n'); lineFeed != std::string_view::npos;
         lineFeed = text.find('\n', from)) {
        joined.append(text.substr(from, lineFeed - from));
        const std::size_t next = text.find_first_not_of('\t', lineFeed + 1);
        if (next == std::string_view::npos) {
            from = lineFeed;
            break;
        }
        if (EndsWithEscapedLineEnd(joined)) {
            joined += text[next];
            from = next + 1;
        } else {
            joined += ' ';
            from = next;
        }
    }
    joined.append(text.substr(from));
    return joined;
}

std::string ReplaceAll(std::string_view text, std::string_view escape, char character) {
    std::string replaced;
    replaced.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(escape); at != std::string_view::npos;
         at = text.find(escape, from)) {
        replaced.append(text.substr(from, at - from));
        replaced += character;
        from = at + escape.size();
    }
    replaced.append(text.substr(from));
    return replaced;
}

} // namespace

std::string ResolveStoredText(std::string text) {
    if (text.starts_with('{'))
        return text;
    text = JoinLines(text);
    // One escape after the other, in this order.
    text = ReplaceAll(text, "\\n", '\n');
    text = ReplaceAll(text, "\\r", '\r');
    text = ReplaceAll(text, "\\t", '\t');
    text = ReplaceAll(text, "\\'", '\'');
    text = ReplaceAll(text, "\\\"", '"');
    return text;
}
