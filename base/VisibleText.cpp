#include "base/VisibleText.h"

#include <cstddef>

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence of more than one byte that
// starts at text[at], or 0 when none does there. Overlong forms, surrogates
// and code points beyond U+10FFFF are not well-formed: each could hide a
// control character from a check that reads them leniently.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() - at < length)
        return 0;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (second < low || second > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (!IsContinuation(static_cast<unsigned char>(text[at + k])))
            return 0;
    return length;
}

// U+0080-U+009F: the C1 controls, encoded C2 80 to C2 9F.
bool IsC1Control(std::string_view sequence) {
    return sequence.size() == 2 && static_cast<unsigned char>(sequence[0]) == 0xC2 &&
           static_cast<unsigned char>(sequence[1]) <= 0x9F;
}

void AppendEscaped(std::string& out, std::string_view bytes) {
    constexpr char kHex[] = "0123456789abcdef";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += "\\x";
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0F];
    }
}

} // namespace

std::string VisibleControls(std::string_view text, LineFeeds lineFeeds) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            const bool control = byte < 0x20 || byte == 0x7F;
            if (control && !(byte == '\n' && lineFeeds == LineFeeds::Kept))
                AppendEscaped(out, text.substr(at, 1));
            else
                out += text[at];
            ++at;
            continue;
        }
        const std::size_t length = SequenceLength(text, at);
        const std::string_view sequence = text.substr(at, length == 0 ? 1 : length);
        if (length == 0 || IsC1Control(sequence))
            AppendEscaped(out, sequence);
        else
            out += sequence;
        at += sequence.size();
    }
    return out;
}
