// KxString: message formatting with numbered inserts, as the platform's
// message formatter does with a string source: "%1" to "%99" insert the
// arguments by number (as texts, or with a printf conversion such as "%2!d!"),
// "%0" ends the message, "%n" breaks the line, "%r" and "%t" give a carriage
// return and a tab, and "%" before any other character gives that character.
#include "base/KxString.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

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
