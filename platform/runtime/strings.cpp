#include "platform/strings.h"

namespace {

int FoldedByte(char ch) {
    return static_cast<unsigned char>(ascii::ToLower(ch));
}

} // namespace

int _strnicmp(const char* a, const char* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const int difference = FoldedByte(a[i]) - FoldedByte(b[i]);
        if (difference != 0 || a[i] == '\0')
            return difference;
    }
    return 0;
}

int _stricmp(const char* a, const char* b) {
    return _strnicmp(a, b, static_cast<std::size_t>(-1));
}

int _mbsicmp(const unsigned char* a, const unsigned char* b) {
    return _stricmp(reinterpret_cast<const char*>(a), reinterpret_cast<const char*>(b));
}
