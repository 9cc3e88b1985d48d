#include "products/EditionVersions.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <iterator>

namespace {

// Reads one decimal number as scanf's %d does (blanks, then an optional
// sign, then digits); false when no digit follows.
bool ReadNumber(const std::string& text, std::size_t& position, int& number) {
    while (position < text.size() && std::isspace(static_cast<unsigned char>(text[position])))
        ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-'))
        negative = text[position++] == '-';
    if (position >= text.size() || !std::isdigit(static_cast<unsigned char>(text[position])))
        return false;
    std::int64_t magnitude = 0;
    for (; position < text.size() && std::isdigit(static_cast<unsigned char>(text[position]));
         ++position)
        magnitude = std::min<std::int64_t>(magnitude * 10 + (text[position] - '0'),
                                           std::int64_t{INT_MAX} + 1);
    const std::int64_t value = negative ? -magnitude : magnitude;
    number = static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
    return true;
}

struct EditionNumbers {
    std::int64_t x;
    std::int64_t y; // wide: the Hulo numbering adds to V2
};

EditionNumbers OlvinOrDorvane(const FileVersionNumbers& v) {
    return v.V1 >= 1 && v.V1 <= 5 ? EditionNumbers{v.V1, v.V2} : EditionNumbers{0, v.V2};
}

// Zetra had no releases of series 1 and 2.
EditionNumbers Zetra(const FileVersionNumbers& v) {
    if (v.V1 == 1 || v.V1 == 2)
        return {0, 0};
    return v.V1 >= 3 && v.V1 <= 5 ? EditionNumbers{v.V1, v.V2} : EditionNumbers{0, v.V2};
}

// Hulo counted on in series 1 through the program's series 2 and early 3
// releases.
EditionNumbers Hulo(const FileVersionNumbers& v) {
    switch (v.V1) {
    case 1:
        return {1, v.V2};
    case 2:
        return v.V2 == 99 ? EditionNumbers{2, 99} : EditionNumbers{1, std::int64_t{v.V2} + 3};
    case 3:
        if (v.V2 < 8 || (v.V2 == 8 && v.V3 <= 3))
            return {1, std::int64_t{v.V2} + 20};
        return {3, v.V2};
    case 4:
    case 5:
        return {v.V1, v.V2};
    default:
        return {0, v.V2};
    }
}

EditionNumbers NumbersOf(EditionLine line, const FileVersionNumbers& version) {
    switch (line) {
    case EditionLine::Zetra:
        return Zetra(version);
    case EditionLine::Hulo:
        return Hulo(version);
    case EditionLine::Olvin:
    case EditionLine::Dorvane:
    case EditionLine::None:
        break;
    }
    return OlvinOrDorvane(version);
}

} // namespace

FileVersionNumbers ParseFileVersion(const std::string& text) {
    FileVersionNumbers version;
    int* const fields[] = {&version.V1, &version.V2, &version.V3, &version.V4};
    std::size_t position = 0;
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0 && (position >= text.size() || text[position++] != '.'))
            break;
        if (!ReadNumber(text, position, *fields[i]))
            break;
    }
    return version;
}

std::string EditionVersion(EditionLine line, const FileVersionNumbers& version) {
    const EditionNumbers numbers = NumbersOf(line, version);
    std::string text = std::to_string(numbers.x) + "." + std::to_string(numbers.y);
    if (version.V4 != 0)
        text += "." + std::to_string(version.V3) + "." + std::to_string(version.V4);
    return text;
}
