// KxString: printf-style formatting and message formatting with numbered inserts.
#include "base/KxString.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <vector>

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
        // The old 16-bit near pointer prefix. "F", its far counterpart, is
        // C99's upper-case 'f' to the C library that renders the text.
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
        // A precision cuts a text or character, the width pads what is left:
        // a text takes at least the width, whatever its precision.
        auto cut = [&](std::int64_t item) {
            return std::max(width, hasPrecision ? std::min(item, precision) : item);
        };
        switch (type) {
        case 'e':
        case 'f':
        case 'F':
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
            return flags + cut(2);
        case 's':
            return flags + cut(TextLength(size));
        case 'n':
            va_arg(arguments_, void*);
            return flags;
        // Counted as their width only; the buffer is enlarged to fit their output.
        case 'E':
        case 'a':
        case 'A':
            SkipFloat(size);
            return flags + width;
        case 'C':
            va_arg(arguments_, int);
            return flags + width;
        case 'S':
            va_arg(arguments_, const wchar_t*);
            return flags + width;
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

// The type an insert's argument is read with.
enum class Kind { Text, Int, Long, LongLong, Pointer };

struct Piece {
    std::string literal; // text before the insert
    int number = 0;      // 1 to 99; 0 for none
    std::string conversion;
    Kind kind = Kind::Text;
};

struct Argument {
    Kind kind = Kind::Pointer; // arguments no insert names are pointer-sized
    long long integer = 0;
    const void* pointer = nullptr;
};

[[noreturn]] void Malformed(const char* why) {
    throw std::runtime_error(std::string("KxString::FormatMessageA: ") + why);
}

// Checks the printf conversion of an insert, "-5d" or "lu" say, and gives the
// type of argument it takes. Widths and precisions taken from arguments
// ("*") are not supported.
Kind KindOf(const std::string& conversion) {
    const std::size_t flagsEnd = conversion.find_first_not_of("-+ #0");
    std::size_t p = conversion.find_first_not_of("0123456789.", flagsEnd);
    if (p == std::string::npos)
        Malformed("insert conversion without a type");
    const std::string size = conversion.substr(p, conversion.size() - 1 - p);
    const char type = conversion.back();
    if (type == 's' && size.empty())
        return Kind::Text;
    if (type == 'p' && size.empty())
        return Kind::Pointer;
    if (type == 'c' && size.empty())
        return Kind::Int;
    if (std::strchr("diouxX", type) == nullptr)
        Malformed("unsupported insert conversion");
    if (size.empty() || size == "h" || size == "hh")
        return Kind::Int;
    if (size == "l")
        return Kind::Long;
    if (size == "ll" || size == "I64")
        return Kind::LongLong;
    Malformed("unsupported insert size");
}

// What "%" followed by a character other than a digit stands for.
std::string Escape(char escaped) {
    switch (escaped) {
    case 'n':
        return "\r\n";
    case 'r':
        return "\r";
    case 't':
        return "\t";
    default:
        return std::string(1, escaped);
    }
}

std::vector<Piece> Parse(const char* format) {
    std::vector<Piece> pieces(1);
    for (const char* p = format; *p; ++p) {
        std::string& literal = pieces.back().literal;
        if (*p != '%') {
            literal += *p;
            continue;
        }
        const char escaped = *++p;
        if (escaped == '\0')
            Malformed("'%' at the end of the format");
        if (escaped == '0')
            break;
        if (escaped < '1' || escaped > '9') {
            literal += Escape(escaped);
            continue;
        }
        Piece& insert = pieces.back();
        insert.number = escaped - '0';
        if (p[1] >= '0' && p[1] <= '9')
            insert.number = insert.number * 10 + (*++p - '0');
        insert.conversion = "s";
        if (p[1] == '!') {
            const char* end = std::strchr(p + 2, '!');
            if (!end)
                Malformed("insert conversion without its closing '!'");
            insert.conversion.assign(p + 2, end);
            p = end;
        }
        insert.kind = KindOf(insert.conversion);
        // Windows' size "I64" is "ll" to the C library, which would read the
        // 'I' as a flag and "64" as a width.
        if (const std::size_t i64 = insert.conversion.find("I64"); i64 != std::string::npos)
            insert.conversion.replace(i64, 3, "ll");
        insert.conversion.insert(0, "%");
        pieces.emplace_back();
    }
    return pieces;
}

// One argument per number up to the highest insert, each read with the type
// its inserts give it; one number must not be given two types.
std::vector<Argument> ArgumentKinds(const std::vector<Piece>& pieces) {
    std::vector<Argument> arguments;
    std::vector<bool> named;
    for (const Piece& piece : pieces) {
        if (piece.number == 0)
            continue;
        const auto index = static_cast<std::size_t>(piece.number - 1);
        if (arguments.size() <= index) {
            arguments.resize(index + 1);
            named.resize(index + 1);
        }
        if (named[index] && arguments[index].kind != piece.kind)
            Malformed("one insert number used with two argument types");
        arguments[index].kind = piece.kind;
        named[index] = true;
    }
    return arguments;
}

void ReadArguments(std::vector<Argument>& arguments, va_list list) {
    for (Argument& argument : arguments) {
        switch (argument.kind) {
        case Kind::Text:
        case Kind::Pointer:
            argument.pointer = va_arg(list, const void*);
            break;
        case Kind::Int:
            argument.integer = va_arg(list, int);
            break;
        case Kind::Long:
            argument.integer = va_arg(list, long);
            break;
        case Kind::LongLong:
            argument.integer = va_arg(list, long long);
            break;
        }
    }
}

template <class Value> std::string Printf(const std::string& conversion, Value value) {
    const int length = std::snprintf(nullptr, 0, conversion.c_str(), value);
    if (length < 0)
        Malformed("insert cannot be formatted");
    std::string text(static_cast<std::size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, conversion.c_str(), value);
    return text;
}

std::string Inserted(const Piece& piece, const Argument& argument) {
    switch (piece.kind) {
    case Kind::Text:
        return Printf(piece.conversion, static_cast<const char*>(argument.pointer));
    case Kind::Pointer:
        return Printf(piece.conversion, argument.pointer);
    case Kind::Int:
        return Printf(piece.conversion, static_cast<int>(argument.integer));
    case Kind::Long:
        return Printf(piece.conversion, static_cast<long>(argument.integer));
    case Kind::LongLong:
        return Printf(piece.conversion, argument.integer);
    }
    return {};
}

} // namespace

// ---- Printf-style formatting with the classic length estimate ----

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

// ---- Message formatting with numbered inserts ----
// As the platform's message formatter does with a string source: "%1" to "%99" insert the
// arguments by number (as texts, or with a printf conversion such as "%2!d!"),
// "%0" ends the message, "%n" breaks the line, "%r" and "%t" give a carriage
// return and a tab, and "%" before any other character gives that character.

void KxString::FormatMessageA(const char* format, ...) {
    const std::vector<Piece> pieces = Parse(format ? format : "");
    std::vector<Argument> arguments = ArgumentKinds(pieces);
    va_list list;
    va_start(list, format);
    ReadArguments(arguments, list);
    va_end(list);

    std::string message;
    for (const Piece& piece : pieces) {
        message += piece.literal;
        if (piece.number != 0)
            message += Inserted(piece, arguments[static_cast<std::size_t>(piece.number - 1)]);
    }
    *this = std::string_view(message);
}
