// KxString::Format and KxString::FormatMessageA with hostile formats and
// arguments, kept within what C defines: a printf format is built from
// conversions that C (and XSI's %C and %S) defines, each matched with an
// argument of its type, with hostile flags, widths, precisions (given in the
// format or as '*' arguments), numbers and texts; a text argument may point
// into the string's own buffer. FormatMessageA gets arbitrary formats whose
// inserts (whatever their conversion says) take texts, and formats built
// from inserts of every argument type.
//
// Oracles: Format's text is what the C library's vsnprintf makes of the same
// format and arguments (up to the first zero byte, as the string keeps it),
// and it throws exactly when vsnprintf fails; FormatMessageA's text is the
// message the inserts make (its rules in KxString.h), and it throws only
// std::runtime_error, for malformed formats.
#include "base/KxString.h"
#include "fuzz/FuzzSupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

using qvufuzz::Require;

// The length modifiers j, z and t name these types here.
static_assert(std::is_same_v<std::intmax_t, long> && std::is_same_v<std::ptrdiff_t, long> &&
              std::is_same_v<std::size_t, unsigned long>);

namespace {

// ---- Format ----

enum class Kind { Int, Long, LongLong, Double, LongDouble, Text, WideText, Pointer };
constexpr std::size_t kSlots = 8;

// The argument lists: one call of Format per layout, the format takes a
// prefix of it (C ignores the arguments after the last one taken).
using Layout = std::array<Kind, kSlots>;
constexpr Layout kLayouts[] = {
    {Kind::Int, Kind::Text, Kind::Double, Kind::Long, Kind::Text, Kind::Int, Kind::LongLong,
     Kind::Pointer},
    {Kind::Text, Kind::Text, Kind::Int, Kind::Int, Kind::Text, Kind::LongDouble, Kind::Int,
     Kind::WideText},
    {Kind::Int, Kind::Int, Kind::Int, Kind::Text, Kind::LongLong, Kind::Double, Kind::Int,
     Kind::Text},
    {Kind::Double, Kind::LongDouble, Kind::Int, Kind::Int, Kind::Double, Kind::Text, Kind::Long,
     Kind::Int},
    {Kind::WideText, Kind::Int, Kind::Text, Kind::Pointer, Kind::Int, Kind::Int, Kind::LongLong,
     Kind::Text},
    {Kind::Long, Kind::LongLong, Kind::Int, Kind::Text, Kind::Int, Kind::Double, Kind::Text,
     Kind::Text},
};

struct Slot {
    int i = 0;
    long l = 0;
    long long ll = 0;
    double d = 0;
    long double ld = 0;
    const char* text = nullptr;
    const wchar_t* wide = nullptr;
    const void* pointer = nullptr;
};

template <class T> T Get(const Slot& slot) {
    if constexpr (std::is_same_v<T, int>)
        return slot.i;
    else if constexpr (std::is_same_v<T, long>)
        return slot.l;
    else if constexpr (std::is_same_v<T, long long>)
        return slot.ll;
    else if constexpr (std::is_same_v<T, double>)
        return slot.d;
    else if constexpr (std::is_same_v<T, long double>)
        return slot.ld;
    else if constexpr (std::is_same_v<T, const char*>)
        return slot.text;
    else if constexpr (std::is_same_v<T, const wchar_t*>)
        return slot.wide;
    else
        return slot.pointer;
}

template <Kind K> struct TypeOf;
template <> struct TypeOf<Kind::Int> { using type = int; };
template <> struct TypeOf<Kind::Long> { using type = long; };
template <> struct TypeOf<Kind::LongLong> { using type = long long; };
template <> struct TypeOf<Kind::Double> { using type = double; };
template <> struct TypeOf<Kind::LongDouble> { using type = long double; };
template <> struct TypeOf<Kind::Text> { using type = const char*; };
template <> struct TypeOf<Kind::WideText> { using type = const wchar_t*; };
template <> struct TypeOf<Kind::Pointer> { using type = const void*; };

// vsnprintf's text, or false when it fails.
bool Reference(std::string& text, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    if (length < 0) {
        va_end(again);
        return false;
    }
    text.assign(static_cast<std::size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, again);
    va_end(again);
    return true;
}

// referenceOk false on entry: the C library is not asked (it would take
// seconds to find out that the text cannot be made).
template <std::size_t Layout, std::size_t... I>
void CallFormat(KxString& target, const std::string& format, const std::array<Slot, kSlots>& slots,
                bool& referenceOk, std::string& reference, bool& formatted,
                std::index_sequence<I...>) {
    if (referenceOk)
        referenceOk = Reference(reference, format.c_str(),
                                Get<typename TypeOf<kLayouts[Layout][I]>::type>(slots[I])...);
    try {
        target.Format(format.c_str(), Get<typename TypeOf<kLayouts[Layout][I]>::type>(slots[I])...);
        formatted = true;
    } catch (const std::exception&) {
        formatted = false;
    }
}

template <std::size_t... L>
void CallLayout(std::size_t layout, KxString& target, const std::string& format,
                const std::array<Slot, kSlots>& slots, bool& referenceOk, std::string& reference,
                bool& formatted, std::index_sequence<L...>) {
    ((layout == L ? CallFormat<L>(target, format, slots, referenceOk, reference, formatted,
                                  std::make_index_sequence<kSlots>())
                  : void()),
     ...);
}

// Hostile sizes within memory's reach: a width or precision of a few
// megabytes at the most.
int HostileNumber(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange<int>(0, 7)) {
    case 0:
        return input.ConsumeIntegralInRange<int>(100000, 1 << 20);
    case 1:
        return input.ConsumeIntegralInRange<int>(41, 5000);
    default:
        return input.ConsumeIntegralInRange<int>(0, 40);
    }
}

// A '*' argument: any size above, negative ones too, or the most negative
// int, whose width (2^31 characters) no text can have.
int HostileStar(FuzzedDataProvider& input, bool& tooWide) {
    switch (input.ConsumeIntegralInRange<int>(0, 7)) {
    case 0:
        tooWide = true;
        return INT_MIN;
    case 1:
        return -HostileNumber(input);
    default:
        return HostileNumber(input);
    }
}

struct Conversion {
    const char* length;
    char type;
    bool precision; // C defines a precision for it
    const char* flags;
};

// The conversions C defines for each argument type, with the flags and the
// precision it defines for them.
std::vector<Conversion> ConversionsFor(Kind kind) {
    // C defines '#' only for o, x, X and the floating conversions, '0' only
    // for the numeric ones.
    static const char* const kAlternateFlags = "-+ #0";
    static const char* const kNumberFlags = "-+ 0";
    switch (kind) {
    case Kind::Int: {
        std::vector<Conversion> list;
        for (const char* length : {"", "hh", "h"}) {
            for (const char type : {'d', 'i', 'u'})
                list.push_back({length, type, true, kNumberFlags});
            for (const char type : {'o', 'x', 'X'})
                list.push_back({length, type, true, kAlternateFlags});
        }
        list.push_back({"", 'c', false, "-"});
        list.push_back({"l", 'c', false, "-"});
        list.push_back({"", 'C', false, "-"});
        return list;
    }
    case Kind::Long: {
        std::vector<Conversion> list;
        for (const char* length : {"l", "j", "z", "t"}) {
            for (const char type : {'d', 'i', 'u'})
                list.push_back({length, type, true, kNumberFlags});
            for (const char type : {'o', 'x', 'X'})
                list.push_back({length, type, true, kAlternateFlags});
        }
        return list;
    }
    case Kind::LongLong: {
        std::vector<Conversion> list;
        for (const char type : {'d', 'i', 'u'})
            list.push_back({"ll", type, true, kNumberFlags});
        for (const char type : {'o', 'x', 'X'})
            list.push_back({"ll", type, true, kAlternateFlags});
        return list;
    }
    case Kind::Double:
    case Kind::LongDouble: {
        std::vector<Conversion> list;
        const char* const lengths[] = {kind == Kind::Double ? "" : "L",
                                       kind == Kind::Double ? "l" : "L"};
        for (const char* length : lengths)
            for (const char type : {'f', 'F', 'e', 'E', 'g', 'G', 'a', 'A'})
                list.push_back({length, type, true, kAlternateFlags});
        return list;
    }
    case Kind::Text:
        return {{"", 's', true, "-"}};
    case Kind::WideText:
        return {{"l", 's', true, "-"}, {"", 'S', true, "-"}};
    case Kind::Pointer:
        return {{"", 'p', false, "-"}};
    }
    return {};
}

// A literal piece of format: any bytes but zero, '%' written as "%%".
std::string Literal(FuzzedDataProvider& input) {
    std::string literal;
    for (const char c : input.ConsumeRandomLengthString(12)) {
        if (c == '\0')
            continue;
        literal += c;
        if (c == '%')
            literal += '%';
    }
    return literal;
}

struct Texts {
    std::vector<std::string> narrow;
    std::vector<std::wstring> wide;
};

void FuzzFormat(FuzzedDataProvider& input) {
    const std::size_t layout =
        input.ConsumeIntegralInRange<std::size_t>(0, std::size(kLayouts) - 1);
    const Layout& kinds = kLayouts[layout];
    // The string's own text, which text arguments may point into.
    KxString target(input.ConsumeRandomLengthString(40).c_str());
    const std::string ownText = static_cast<const char*>(target);

    Texts texts;
    texts.narrow.reserve(kSlots);
    texts.wide.reserve(kSlots);
    std::array<Slot, kSlots> slots{};
    std::string format;
    std::size_t slot = 0;
    bool tooWide = false;
    while (slot < kSlots && input.remaining_bytes() > 0 && input.ConsumeBool()) {
        format += Literal(input);
        std::string directive = "%";
        bool starWidth = false;
        bool starPrecision = false;
        // '*' arguments are the ints before the value's argument.
        if (kinds[slot] == Kind::Int && slot + 1 < kSlots && input.ConsumeBool()) {
            starWidth = true;
            slots[slot++].i = HostileStar(input, tooWide);
        }
        if (kinds[slot] == Kind::Int && slot + 1 < kSlots && input.ConsumeBool()) {
            starPrecision = true;
            // A negative precision is none: INT_MIN is harmless here.
            bool ignored = false;
            slots[slot++].i = HostileStar(input, ignored);
        }
        const Kind kind = kinds[slot];
        std::vector<Conversion> choices;
        for (const Conversion& conversion : ConversionsFor(kind))
            if (conversion.precision || !starPrecision)
                choices.push_back(conversion);
        if (choices.empty()) {
            // An int left without a conversion that takes a precision: the
            // '*' precision becomes its value instead.
            break;
        }
        const Conversion& conversion =
            choices[input.ConsumeIntegralInRange<std::size_t>(0, choices.size() - 1)];
        for (int n = input.ConsumeIntegralInRange<int>(0, 3); n > 0; --n) {
            const std::size_t flags = std::strlen(conversion.flags);
            directive += conversion.flags[input.ConsumeIntegralInRange<std::size_t>(0, flags - 1)];
        }
        if (starWidth)
            directive += '*';
        else if (input.ConsumeBool())
            directive += std::to_string(1 + HostileNumber(input));
        if (starPrecision)
            directive += ".*";
        else if (conversion.precision && input.ConsumeBool())
            directive +=
                input.ConsumeBool() ? std::string(".") : "." + std::to_string(HostileNumber(input));
        directive += conversion.length;
        directive += conversion.type;
        format += directive;

        Slot& value = slots[slot++];
        switch (kind) {
        case Kind::Int:
            value.i = input.ConsumeIntegral<int>();
            break;
        case Kind::Long:
            value.l = input.ConsumeIntegral<long>();
            break;
        case Kind::LongLong:
            value.ll = input.ConsumeIntegral<long long>();
            break;
        case Kind::Double: {
            const std::uint64_t bits = input.ConsumeIntegral<std::uint64_t>();
            std::memcpy(&value.d, &bits, sizeof value.d);
            break;
        }
        case Kind::LongDouble: {
            // Made from a double and a power of two, so that it is always a
            // valid long double, up to the extremes of its range.
            const std::uint64_t bits = input.ConsumeIntegral<std::uint64_t>();
            double base = 0;
            std::memcpy(&base, &bits, sizeof base);
            value.ld = __builtin_ldexpl(static_cast<long double>(base),
                                        input.ConsumeIntegralInRange<int>(-16400, 16400));
            break;
        }
        case Kind::Text:
            switch (input.ConsumeIntegralInRange<int>(0, 5)) {
            case 0:
                value.text = nullptr;
                break;
            case 1: {
                // Into the string's own buffer.
                const std::size_t offset =
                    input.ConsumeIntegralInRange<std::size_t>(0, ownText.size());
                value.text = static_cast<const char*>(target) + offset;
                break;
            }
            default:
                texts.narrow.push_back(input.ConsumeRandomLengthString(64));
                value.text = texts.narrow.back().c_str();
            }
            break;
        case Kind::WideText: {
            std::wstring wide;
            for (int n = input.ConsumeIntegralInRange<int>(0, 12); n > 0; --n) {
                const wchar_t c =
                    input.ConsumeBool()
                        ? static_cast<wchar_t>(input.ConsumeIntegralInRange<int>(1, 127))
                        : static_cast<wchar_t>(input.ConsumeIntegral<std::int32_t>());
                if (c != 0)
                    wide += c;
            }
            texts.wide.push_back(wide);
            value.wide =
                input.ConsumeIntegralInRange<int>(0, 7) == 0 ? nullptr : texts.wide.back().c_str();
            break;
        }
        case Kind::Pointer:
            value.pointer = reinterpret_cast<const void*>(input.ConsumeIntegral<std::uintptr_t>());
            break;
        }
    }
    format += Literal(input);

    if (std::getenv("QVU_FUZZ_DEBUG"))
        std::fprintf(stderr, "layout %zu format [%s]\n", layout, format.c_str());
    bool referenceOk = !tooWide;
    bool formatted = false;
    std::string reference;
    CallLayout(layout, target, format, slots, referenceOk, reference, formatted,
               std::make_index_sequence<std::size(kLayouts)>());
    Require(formatted == referenceOk, "Format fails where vsnprintf does not, or the reverse");
    if (!formatted) {
        Require(ownText == static_cast<const char*>(target), "a failed Format changed the string");
        return;
    }
    const std::string expected = reference.substr(0, reference.find('\0'));
    Require(target.GetLength() == static_cast<int>(expected.size()) &&
                std::memcmp(static_cast<const char*>(target), expected.data(), expected.size()) ==
                    0 &&
                static_cast<const char*>(target)[expected.size()] == '\0',
            "Format's text is not vsnprintf's");
}

// ---- FormatMessageA ----

constexpr std::size_t kMessageArguments = 99;

// Makes an arbitrary format safe for text arguments: every insert's printf
// conversion, as FormatMessageA cuts it out, takes a text (an integer
// conversion becomes 's'; '#' and '0' flags, which C does not define for
// texts, go), and numbers in conversions keep at most four digits.
std::string TextInsertsOnly(const std::string& raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        out += c;
        if (c != '%' || i + 1 >= raw.size())
            continue;
        const char escaped = raw[++i];
        out += escaped;
        if (escaped == '0')
            return out;
        if (escaped < '1' || escaped > '9')
            continue;
        if (i + 1 < raw.size() && raw[i + 1] >= '0' && raw[i + 1] <= '9')
            out += raw[++i];
        if (i + 1 >= raw.size() || raw[i + 1] != '!')
            continue;
        const std::size_t end = raw.find('!', i + 2);
        if (end == std::string::npos)
            return out + raw.substr(i + 1);
        std::string conversion = raw.substr(i + 2, end - i - 2);
        std::size_t flagsEnd = conversion.find_first_not_of("-+ #0");
        if (flagsEnd == std::string::npos)
            flagsEnd = conversion.size();
        std::string kept;
        for (std::size_t k = 0; k < flagsEnd; ++k)
            if (conversion[k] != '#' && conversion[k] != '0')
                kept += conversion[k];
        // Then a width and a precision as C spells them: digits, and '.'
        // with digits; other digits and dots go.
        std::size_t k = flagsEnd;
        std::string width, precision;
        bool dot = false;
        for (; k < conversion.size() && std::strchr("0123456789.", conversion[k]); ++k) {
            if (conversion[k] == '.')
                dot = true;
            else if (!dot && width.size() < 4)
                width += conversion[k];
            else if (dot && precision.size() < 4)
                precision += conversion[k];
        }
        kept += width;
        if (dot)
            kept += "." + precision;
        kept += conversion.substr(k);
        // Whatever FormatMessageA takes (d, i, o, u, x, X, c, p) takes a text.
        if (!kept.empty() && std::strchr("diouxXcp", kept.back()) != nullptr)
            kept.back() = 's';
        out += '!' + kept + '!';
        i = end;
    }
    return out;
}

void FuzzRawMessage(FuzzedDataProvider& input) {
    std::string raw = input.ConsumeRandomLengthString(512);
    raw = raw.substr(0, raw.find('\0'));
    const std::string format = TextInsertsOnly(raw);
    std::array<std::string, 4> texts;
    for (std::string& text : texts) {
        text = input.ConsumeRandomLengthString(32);
        text = text.substr(0, text.find('\0'));
    }
    std::array<const char*, kMessageArguments> a{};
    for (std::size_t k = 0; k < a.size(); ++k)
        a[k] = texts[k % texts.size()].c_str();
    KxString message("kept");
    try {
        // Ninety-nine texts: as many as the highest insert number can take.
        message.FormatMessageA(
            format.c_str(), a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10],
            a[11], a[12], a[13], a[14], a[15], a[16], a[17], a[18], a[19], a[20], a[21], a[22],
            a[23], a[24], a[25], a[26], a[27], a[28], a[29], a[30], a[31], a[32], a[33], a[34],
            a[35], a[36], a[37], a[38], a[39], a[40], a[41], a[42], a[43], a[44], a[45], a[46],
            a[47], a[48], a[49], a[50], a[51], a[52], a[53], a[54], a[55], a[56], a[57], a[58],
            a[59], a[60], a[61], a[62], a[63], a[64], a[65], a[66], a[67], a[68], a[69], a[70],
            a[71], a[72], a[73], a[74], a[75], a[76], a[77], a[78], a[79], a[80], a[81], a[82],
            a[83], a[84], a[85], a[86], a[87], a[88], a[89], a[90], a[91], a[92], a[93], a[94],
            a[95], a[96], a[97], a[98]);
    } catch (const std::runtime_error&) {
        Require(std::strcmp(message, "kept") == 0, "a malformed format changed the string");
        return;
    }
    if (format.find('%') == std::string::npos)
        Require(std::string(message) == format, "a format without inserts is not itself");
}

// Inserts of every argument type: %1 a text, %2 an int, %3 a long, %4 a
// long long, each with conversions of its type; every number up to the
// highest one used is inserted, so that each argument is read with its type.
void FuzzTypedMessage(FuzzedDataProvider& input) {
    std::string text = input.ConsumeRandomLengthString(48);
    text = text.substr(0, text.find('\0'));
    const int integer = input.ConsumeIntegral<int>();
    const long number = input.ConsumeIntegral<long>();
    const long long big = input.ConsumeIntegral<long long>();

    std::string format;
    std::string expected;
    bool used[4] = {};
    auto insert = [&](int index, const std::string& flags, const std::string& width,
                      const std::string& precision, int sizeChoice, char type) {
        static const char* const kIntSizes[] = {"", "h", "hh"};
        static const char* const kLongLongSizes[] = {"ll", "I64"};
        std::string size;
        if (index == 1)
            size = kIntSizes[sizeChoice % 3];
        else if (index == 2)
            size = "l";
        else if (index == 3)
            size = kLongLongSizes[sizeChoice % 2];
        const std::string body = flags + width + precision + size + type;
        format += "%" + std::to_string(index + 1) + "!" + body + "!";
        // The C library's spelling of the size: "I64" is Windows' "ll".
        const std::string cSize = size == "I64" ? "ll" : size;
        const std::string conversion = "%" + flags + width + precision + cSize + type;
        char piece[8192];
        switch (index) {
        case 0:
            std::snprintf(piece, sizeof piece, conversion.c_str(), text.c_str());
            break;
        case 1:
            std::snprintf(piece, sizeof piece, conversion.c_str(), integer);
            break;
        case 2:
            std::snprintf(piece, sizeof piece, conversion.c_str(), number);
            break;
        default:
            std::snprintf(piece, sizeof piece, conversion.c_str(), big);
        }
        expected += piece;
        used[index] = true;
    };
    for (int n = input.ConsumeIntegralInRange<int>(0, 6); n > 0; --n) {
        // Literal text, with the escapes the message rules give.
        for (const char c : input.ConsumeRandomLengthString(8)) {
            if (c == '\0' || c == '!' || (c >= '0' && c <= '9'))
                continue;
            if (c == '%') {
                format += "%%";
                expected += '%';
            } else {
                format += c;
                expected += c;
            }
        }
        const int index = input.ConsumeIntegralInRange<int>(0, 3);
        const std::string flags = index == 0 ? (input.ConsumeBool() ? "-" : "")
                                             : std::string(input.ConsumeBool() ? "-" : "") +
                                                   (input.ConsumeBool() ? "0" : "") +
                                                   (input.ConsumeBool() ? "+" : "");
        const std::string width =
            input.ConsumeBool() ? std::to_string(input.ConsumeIntegralInRange<int>(1, 300)) : "";
        const std::string precision =
            input.ConsumeBool() ? "." + std::to_string(input.ConsumeIntegralInRange<int>(0, 300))
                                : "";
        const char* const types = index == 0 ? "s" : "diouxX";
        const char type =
            types[input.ConsumeIntegralInRange<std::size_t>(0, std::strlen(types) - 1)];
        if (index == 0 && !input.ConsumeBool() && flags.empty() && width.empty() &&
            precision.empty()) {
            // The plain insert "%1" is a text.
            format += "%1";
            expected += text;
            used[0] = true;
            continue;
        }
        insert(index, flags, width, precision, input.ConsumeIntegral<int>() & 0xFF, type);
    }
    int highest = -1;
    for (int k = 0; k < 4; ++k)
        if (used[k])
            highest = k;
    for (int k = 0; k < highest; ++k)
        if (!used[k])
            insert(k, "", "", "", 0, k == 0 ? 's' : 'd');

    KxString message;
    message.FormatMessageA(format.c_str(), text.c_str(), integer, number, big);
    if (std::getenv("QVU_FUZZ_DEBUG"))
        std::fprintf(stderr, "format [%s]\nmessage [%s]\nexpected [%s]\n", format.c_str(),
                     static_cast<const char*>(message), expected.c_str());
    Require(std::string(message, message.GetLength()) == expected,
            "FormatMessageA's message is not what its inserts make");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    switch (input.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
        FuzzRawMessage(input);
        break;
    case 1:
        FuzzTypedMessage(input);
        break;
    default:
        FuzzFormat(input);
    }
    return 0;
}
