// KxString: printf-style formatting with the classic length estimate.
#include "base/KxString.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <stdexcept>
#include <string>

namespace {

constexpr std::int64_t kFloatItem = 128;
constexpr std::int64_t kIntegerItem = 32;
constexpr std::int64_t kNullText = 6; // "(null)"
constexpr std::int64_t kNumberLimit = INT32_MAX;

// The size prefix of a conversion, which decides the argument type read.
enum class Size { Default, Char, Short, Long, LongLong, LongDouble, IntMax, SizeT, PtrDiff };

// Walks a format and adds up how long its result may become. Every argument
// is read with the type its conversion takes, also for the conversions the
// estimate counts as 0, so that later text arguments are read in step.
class FormatEstimate {
public:
    explicit FormatEstimate(va_list arguments) { va_copy(arguments_, arguments); }
    ~FormatEstimate() { va_end(arguments_); }
    FormatEstimate(const FormatEstimate&) = delete;
    FormatEstimate& operator=(const FormatEstimate&) = delete;

    std::int64_t Of(const char* format) {
        std::int64_t total = 0;
        for (const char* p = format; *p;) {
            if (p[0] != '%') {
                ++total;
                ++p;
            } else if (p[1] == '%') {
                ++total;
                p += 2;
            } else if (p[1]) {
                ++p;
                total += Conversion(p);
            } else {
                break; // a lone '%' at the end
            }
        }
        return total;
    }

private:
    va_list arguments_;

    static std::int64_t Digits(const char*& p) {
        std::int64_t number = 0;
        for (; *p >= '0' && *p <= '9'; ++p)
            number = std::min(number * 10 + (*p - '0'), kNumberLimit);
        return number;
    }

    static Size SizePrefix(const char*& p) {
        switch (*p) {
        case 'h':
            return *++p == 'h' ? (++p, Size::Char) : Size::Short;
        case 'l':
            return *++p == 'l' ? (++p, Size::LongLong) : Size::Long;
        case 'L':
            return ++p, Size::LongDouble;
        case 'j':
            return ++p, Size::IntMax;
        case 'z':
            return ++p, Size::SizeT;
        case 't':
            return ++p, Size::PtrDiff;
        case 'F':
        case 'N':
            return ++p, Size::Default;
        default:
            return Size::Default;
        }
    }

    void SkipInteger(Size size) {
        switch (size) {
        case Size::Long:
            va_arg(arguments_, long);
            break;
        case Size::LongLong:
            va_arg(arguments_, long long);
            break;
        case Size::IntMax:
            va_arg(arguments_, std::intmax_t);
            break;
        case Size::SizeT:
            va_arg(arguments_, std::size_t);
            break;
        case Size::PtrDiff:
            va_arg(arguments_, std::ptrdiff_t);
            break;
        default:
            va_arg(arguments_, int);
        }
    }

    void SkipFloat(Size size) {
        if (size == Size::LongDouble)
            va_arg(arguments_, long double);
        else
            va_arg(arguments_, double);
    }

    std::int64_t TextLength(Size size) {
        if (size == Size::Long) {
            const wchar_t* text = va_arg(arguments_, const wchar_t*);
            return text ? std::max<std::int64_t>(1, std::wcslen(text)) : kNullText;
        }
        const char* text = va_arg(arguments_, const char*);
        return text ? std::max<std::int64_t>(1, std::strlen(text)) : kNullText;
    }

    // p is just past the '%'; leaves it past the type letter.
    std::int64_t Conversion(const char*& p) {
        std::int64_t flags = 0;
        for (; *p && std::strchr("#-+0 ", *p); ++p)
            flags += *p == '#' ? 2 : 0; // room for "0x"
        std::int64_t width = 0;
        if (*p == '*')
            ++p, width = std::abs(static_cast<std::int64_t>(va_arg(arguments_, int)));
        else
            width = Digits(p);
        std::int64_t precision = 0;
        bool hasPrecision = false;
        if (*p == '.') {
            ++p;
            hasPrecision = true;
            if (*p == '*') {
                ++p;
                precision = va_arg(arguments_, int);
                hasPrecision = precision >= 0; // a negative one counts as none
                precision = std::max<std::int64_t>(precision, 0);
            } else {
                precision = Digits(p);
            }
        }
        const Size size = SizePrefix(p);
        const char type = *p;
        if (type)
            ++p;
        auto cut = [&](std::int64_t item) {
            return hasPrecision ? std::min(item, precision) : item;
        };
        switch (type) {
        case 'e':
        case 'f':
        case 'g':
        case 'G':
            SkipFloat(size);
            return flags + std::max(kFloatItem, width + precision);
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            SkipInteger(size);
            return flags + std::max(kIntegerItem, width + precision);
        case 'p':
            va_arg(arguments_, void*);
            return flags + std::max(kIntegerItem, width + precision);
        case 'c':
            va_arg(arguments_, int);
            return flags + cut(std::max<std::int64_t>(width, 2));
        case 's':
            return flags + cut(std::max(width, TextLength(size)));
        case 'n':
            va_arg(arguments_, void*);
            return flags;
        // Counted as 0; the buffer is enlarged to fit their output.
        case 'E':
        case 'a':
        case 'A':
            SkipFloat(size);
            return flags;
        case 'C':
            va_arg(arguments_, int);
            return flags;
        case 'S':
            va_arg(arguments_, const wchar_t*);
            return flags;
        default:
            return flags;
        }
    }
};

// The formatted text, rendered apart from the string so that arguments may
// point into the string's own buffer. room is the estimate; the text is
// rendered again with the measured length when it is longer.
std::string Render(const char* format, va_list arguments, std::size_t room) {
    std::string text(room, '\0');
    for (;;) {
        va_list attempt;
        va_copy(attempt, arguments);
        const int written = std::vsnprintf(text.data(), text.size() + 1, format, attempt);
        va_end(attempt);
        if (written < 0)
            throw std::runtime_error("KxString: the text cannot be formatted");
        if (static_cast<std::size_t>(written) <= text.size()) {
            text.resize(static_cast<std::size_t>(written));
            return text;
        }
        text.assign(static_cast<std::size_t>(written), '\0');
    }
}

} // namespace

void KxString::Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    try {
        FormatV(format, arguments);
    } catch (...) {
        va_end(arguments);
        throw;
    }
    va_end(arguments);
}

void KxString::FormatV(const char* format, va_list arguments) {
    const std::int64_t estimate = FormatEstimate(arguments).Of(format);
    const int reserved = CheckedLength(static_cast<std::size_t>(estimate));
    const std::string text = Render(format, arguments, static_cast<std::size_t>(reserved));
    const int length = CheckedLength(text.size());
    char* buffer = GetBuffer(std::max(reserved, length));
    std::memcpy(buffer, text.data(), text.size());
    ReleaseBuffer(static_cast<int>(std::strlen(text.c_str())));
}
