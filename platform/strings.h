// Runtime library: comparisons of narrow strings that ignore letter case, and
// the character classes of the "C" locale.
//
// Case is folded for the ASCII letters only; other bytes of the ANSI code
// page compare by their unsigned value, as the "C" locale of the runtime
// library does. Like Microsoft's runtime, both sides are folded to lower case
// before comparing, so '_' sorts before the letters.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <string>
#include <string_view>

// <0, 0 or >0 as a sorts before, equal to or after b.
int _stricmp(const char* a, const char* b);
// The same over at most count characters.
int _strnicmp(const char* a, const char* b, std::size_t count);
// The multibyte form: the system's narrow texts are single-byte, so it
// compares like _stricmp.
int _mbsicmp(const unsigned char* a, const unsigned char* b);

// The character classes and letter case of the "C" locale, whatever locale
// the process runs in: switches, addresses, numbers and names in files are
// read by their ASCII letters and digits alone, and every other byte of the
// ANSI code page (a UTF-8 sequence among them) stays as it is.
namespace ascii {

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
constexpr bool IsLower(char c) {
    return c >= 'a' && c <= 'z';
}
constexpr bool IsLetter(char c) {
    return IsUpper(c) || IsLower(c);
}
constexpr bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
// The blanks that isspace, scanf and atoi skip.
constexpr bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
constexpr char ToLower(char c) {
    return IsUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char ToUpper(char c) {
    return IsLower(c) ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string ToLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = ToLower(c);
    return lower;
}
inline std::string ToUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = ToUpper(c);
    return upper;
}
// One decimal number from pos on, read as scanf's "%d" reads it: blanks, an
// optional sign, digits. A number beyond the range of int is taken as its
// nearest end. False, with pos unchanged, when no digit comes; else pos stands
// after the last digit.
inline bool ScanDecimal(std::string_view text, std::size_t& pos, int& number) {
    std::size_t i = pos;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    if (i >= text.size() || !IsDigit(text[i]))
        return false;
    constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
    long long magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), kLimit);
    const long long value = negative ? -magnitude : magnitude;
    number = static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
    pos = i;
    return true;
}

inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToLower(a[i]) != ToLower(b[i]))
            return false;
    return true;
}

} // namespace ascii
