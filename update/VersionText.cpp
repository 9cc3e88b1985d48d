#include "update/VersionText.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>

namespace {

using VersionNumbers = std::array<int, 4>;

// The blanks that scanf and atoi skip.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Moves pos past blanks and one sign; answers whether the sign was a minus.
bool SkipBlanksAndSign(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        return text[pos++] == '-';
    return false;
}

// One number the way "%d" reads it, from pos on; false when no digit comes.
// Numbers beyond the range of int are taken as its nearest end.
bool ScanNumber(std::string_view text, std::size_t& pos, int& number) {
    std::size_t i = pos;
    const bool negative = SkipBlanksAndSign(text, i);
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

VersionNumbers ParseVersion(std::string_view text) {
    VersionNumbers numbers = {-1, -1, -1, -1};
    std::size_t pos = 0;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        if (k > 0) {
            if (pos >= text.size() || text[pos] != '.')
                break;
            ++pos;
        }
        if (!ScanNumber(text, pos, numbers[k]))
            break;
    }
    return numbers;
}

} // namespace

bool ShowsShortVersion(std::string_view versionLong) {
    const std::size_t lastDot = versionLong.rfind('.');
    const std::string_view last =
        lastDot == std::string_view::npos ? versionLong : versionLong.substr(lastDot + 1);
    std::size_t pos = 0;
    SkipBlanksAndSign(last, pos);
    // The number is 0 exactly when its digits are all zeros (or there are none);
    // judging by the digits avoids converting a number that may not fit.
    for (; pos < last.size() && IsDigit(last[pos]); ++pos)
        if (last[pos] != '0')
            return false;
    return true;
}

std::string ChooseShownVersion(std::string_view versionLong, std::string_view versionShort) {
    return std::string(ShowsShortVersion(versionLong) ? versionShort : versionLong);
}

int CompareVersions(std::string_view a, std::string_view b) {
    const VersionNumbers first = ParseVersion(a);
    const VersionNumbers second = ParseVersion(b);
    for (std::size_t k = 0; k < first.size(); ++k) {
        if (first[k] > second[k])
            return 1;
        if (first[k] < second[k])
            return -1;
    }
    return 0;
}
