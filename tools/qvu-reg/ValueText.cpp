#include "tools/qvu-reg/ValueText.h"

#include "platform/strings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace qvureg {

namespace {

struct TypeEntry {
    DWORD type;
    const char* name;
    bool addable;
};

const TypeEntry kTypes[] = {
    {REG_NONE, "REG_NONE", false},          {REG_SZ, "REG_SZ", true},
    {REG_EXPAND_SZ, "REG_EXPAND_SZ", true}, {REG_BINARY, "REG_BINARY", true},
    {REG_DWORD, "REG_DWORD", true},         {REG_MULTI_SZ, "REG_MULTI_SZ", false},
    {REG_QWORD, "REG_QWORD", false},
};

std::string HexDigits(const std::string& bytes) {
    std::string out;
    char pair[3];
    for (const char c : bytes) {
        std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(c));
        out += pair;
    }
    return out;
}

// The little-endian number of data, when it has the size of one.
std::optional<unsigned long long> Number(const std::string& data, std::size_t size) {
    if (data.size() != size)
        return std::nullopt;
    unsigned long long number = 0;
    for (std::size_t i = size; i-- > 0;)
        number = number * 256 + static_cast<unsigned char>(data[i]);
    return number;
}

bool AllDigits(const std::string& text, bool hex) {
    return std::all_of(text.begin(), text.end(), hex ? ascii::IsHexDigit : ascii::IsDigit);
}

} // namespace

std::string TypeName(DWORD type) {
    for (const TypeEntry& entry : kTypes) {
        if (entry.type == type)
            return entry.name;
    }
    return "REG_UNKNOWN(" + std::to_string(type) + ")";
}

std::optional<DWORD> TypeFromName(const std::string& name) {
    for (const TypeEntry& entry : kTypes) {
        if (entry.addable && strcasecmp(entry.name, name.c_str()) == 0)
            return entry.type;
    }
    return std::nullopt;
}

std::string DisplayData(const RegValue& value) {
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ)
        return value.data.substr(0, value.data.find('\0'));
    const std::optional<unsigned long long> number =
        Number(value.data, value.type == REG_QWORD ? 8 : 4);
    if ((value.type == REG_DWORD || value.type == REG_QWORD) && number) {
        char text[24];
        std::snprintf(text, sizeof text, "0x%llx", *number);
        return text;
    }
    if (value.type == REG_MULTI_SZ) {
        std::string text = value.data;
        while (!text.empty() && text.back() == '\0')
            text.pop_back();
        std::string shown;
        for (const char c : text)
            shown += c == '\0' ? std::string("\\0") : std::string(1, c);
        return shown;
    }
    return HexDigits(value.data);
}

std::optional<std::string> EncodeData(DWORD type, const std::string& text) {
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return text + '\0';
    if (type == REG_DWORD) {
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        const std::string digits = hex ? text.substr(2) : text;
        if (digits.empty() || !AllDigits(digits, hex))
            return std::nullopt;
        errno = 0;
        const unsigned long long number = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
        if (errno != 0 || number > 0xFFFFFFFFull)
            return std::nullopt;
        std::string data;
        for (int shift = 0; shift < 32; shift += 8)
            data += static_cast<char>((number >> shift) & 0xFF);
        return data;
    }
    if (text.size() % 2 || !AllDigits(text, true))
        return std::nullopt;
    std::string data;
    for (std::size_t i = 0; i < text.size(); i += 2)
        data += static_cast<char>(std::stoul(text.substr(i, 2), nullptr, 16));
    return data;
}

} // namespace qvureg
