#include "tools/qvu-reg/RegFile.h"

#include "tools/qvu-reg/TextEncoding.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <strings.h>

namespace qvureg {

namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kLineEnd = "\r\n";
// Hex data is wrapped before this column, as the registry editor does.
constexpr std::size_t kLineWidth = 80;

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

std::optional<unsigned> HexNumber(std::string_view digits, std::size_t maxDigits) {
    if (digits.empty() || digits.size() > maxDigits)
        return std::nullopt;
    unsigned number = 0;
    for (const char c : digits) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0)
            return std::nullopt;
        number = number * 16 + static_cast<unsigned>(digit);
    }
    return number;
}

// Reads a quoted text that begins at text[0]; rest receives what follows the
// closing quote. Only \\ and \" are escapes; other backslashes stand for themselves.
bool ReadQuoted(std::string_view text, std::string& out, std::string_view& rest) {
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            out += text[++i];
        } else if (c == '"') {
            rest = text.substr(i + 1);
            return true;
        } else {
            out += c;
        }
    }
    return false;
}

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

class Parser {
public:
    Parser(std::string_view bytes, std::vector<RegChange>& changes, RegFileError& error)
        : text_(DecodeFileText(bytes)), changes_(changes), error_(error) {}

    bool Run() {
        std::string_view line;
        while (NextLine(line) && Trim(line).empty()) {
        }
        line = Trim(line);
        if (line == kHeader5)
            unicodeHex_ = true;
        else if (line != kHeader4)
            return Fail(
                "missing header (\"Windows Registry Editor Version 5.00\" or \"REGEDIT4\")");
        while (NextLine(line)) {
            line = Trim(line);
            if (line.empty() || line.front() == ';')
                continue;
            const bool parsed = line.front() == '[' ? ParseKeyLine(line)
                                : line.front() == '@' || line.front() == '"'
                                    ? ParseValueLine(line)
                                    : Fail("unexpected line");
            if (!parsed)
                return false;
        }
        return true;
    }

private:
    // The next line without its end; the end of the last line starts no line.
    bool NextLine(std::string_view& line) {
        if (position_ >= text_.size())
            return false;
        const std::size_t end = std::min(text_.find('\n', position_), text_.size());
        line = std::string_view(text_).substr(position_, end - position_);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        position_ = end + 1;
        ++lineNumber_;
        return true;
    }

    bool Fail(std::string reason) {
        error_ = RegFileError{lineNumber_, std::move(reason)};
        return false;
    }

    bool ParseKeyLine(std::string_view line) {
        if (line.back() != ']')
            return Fail("unterminated key name (missing \"]\")");
        std::string_view name = line.substr(1, line.size() - 2);
        const bool remove = !name.empty() && name.front() == '-';
        if (remove)
            name.remove_prefix(1);
        // The system's key names end at a NUL: the name would stand for another.
        if (name.find('\0') != std::string_view::npos)
            return Fail("a NUL character in the key name");
        const std::optional<KeyPath> key = ParseKeyPath(name);
        if (!key)
            return Fail("unknown root key in \"" + std::string(name) + "\"");
        if (remove && !IsDeletable(*key))
            return Fail("\"" + std::string(name) + "\" cannot be deleted");
        current_ = remove ? std::nullopt : key;
        changes_.push_back(
            RegChange{remove ? RegChange::Kind::DeleteKey : RegChange::Kind::CreateKey, *key, {}});
        return true;
    }

    bool ParseValueLine(std::string_view line) {
        if (!current_)
            return Fail("value outside of a key");
        RegChange change{RegChange::Kind::SetValue, *current_, {}};
        std::string_view rest;
        if (line.front() == '@')
            rest = line.substr(1);
        else if (!ReadQuoted(line, change.value.name, rest))
            return Fail("unterminated value name");
        if (change.value.name.find('\0') != std::string::npos)
            return Fail("a NUL character in the value name");
        rest = TrimLeft(rest);
        if (rest.empty() || rest.front() != '=')
            return Fail("missing \"=\" after the value name");
        rest = Trim(rest.substr(1));
        if (rest == "-")
            change.kind = RegChange::Kind::DeleteValue;
        else if (!ParseData(rest, change.value))
            return false;
        changes_.push_back(std::move(change));
        return true;
    }

    bool ParseData(std::string_view data, RegValue& value) {
        if (!data.empty() && data.front() == '"') {
            std::string_view rest;
            if (!ReadQuoted(data, value.data, rest))
                return Fail("unterminated text");
            if (!Trim(rest).empty())
                return Fail("unexpected characters after the text");
            value.type = REG_SZ;
            value.data += '\0';
            return true;
        }
        if (StartsWithIgnoringCase(data, "dword:")) {
            const std::optional<unsigned> number = HexNumber(Trim(data.substr(6)), 8);
            if (!number)
                return Fail("bad dword (up to eight hex digits expected)");
            value.type = REG_DWORD;
            for (int shift = 0; shift < 32; shift += 8)
                value.data += static_cast<char>((*number >> shift) & 0xFF);
            return true;
        }
        if (StartsWithIgnoringCase(data, "hex:")) {
            value.type = REG_BINARY;
            return ParseHex(data.substr(4), value);
        }
        if (StartsWithIgnoringCase(data, "hex(")) {
            const std::size_t close = data.find("):");
            const std::optional<unsigned> type = close == std::string_view::npos
                                                     ? std::nullopt
                                                     : HexNumber(data.substr(4, close - 4), 8);
            if (!type)
                return Fail("bad hex type");
            value.type = *type;
            return ParseHex(data.substr(close + 2), value);
        }
        return Fail("unknown value type");
    }

    // Comma-separated bytes, continued on the next line after a backslash.
    bool ParseHex(std::string_view first, RegValue& value) {
        std::string list(Trim(first));
        while (!list.empty() && list.back() == '\\') {
            list.pop_back();
            std::string_view next;
            if (!NextLine(next))
                return Fail("hex data continues past the end of the file");
            list += Trim(next);
        }
        std::string_view rest = list;
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            const std::optional<unsigned> byte = HexNumber(Trim(rest.substr(0, comma)), 2);
            if (!byte)
                return Fail("bad hex data");
            value.data += static_cast<char>(*byte);
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        }
        // Texts in hex form are UTF-16 in the Unicode format.
        if (unicodeHex_ && IsText(value.type)) {
            if (value.data.size() % 2)
                return Fail("odd number of bytes in a text");
            value.data = Utf16LeToUtf8(value.data);
        }
        return true;
    }

    std::string text_;
    std::vector<RegChange>& changes_;
    RegFileError& error_;
    std::size_t position_ = 0;
    int lineNumber_ = 0;
    bool unicodeHex_ = false;
    std::optional<KeyPath> current_;
};

std::string HexLines(std::string line, std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char piece[4];
        std::snprintf(piece, sizeof piece, i + 1 < bytes.size() ? "%02x," : "%02x",
                      static_cast<unsigned char>(bytes[i]));
        if (line.size() + 4 > kLineWidth) {
            out += line + "\\" + std::string(kLineEnd);
            line = "  ";
        }
        line += piece;
    }
    return out + line;
}

// Whether a text survives the way through UTF-16 that the 5.00 format's hex
// texts take: only UTF-8 does.
bool IsUnicodeText(const RegValue& value) {
    return !IsText(value.type) || Utf16LeToUtf8(Utf8ToUtf16Le(value.data)) == value.data;
}

// unicode: the 5.00 format, whose hex texts are UTF-16; else REGEDIT4, whose
// hex texts are the bytes as they are.
std::string FormatValue(const RegValue& value, bool unicode) {
    const std::string lead = value.name.empty() ? "@=" : Quoted(value.name) + "=";
    if (value.type == REG_SZ) {
        std::string_view text = value.data;
        if (!text.empty() && text.back() == '\0')
            text.remove_suffix(1);
        // Line breaks and zero bytes have no quoted form: those texts go as hex.
        if (text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos)
            return lead + Quoted(text);
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        unsigned number = 0;
        for (int i = 3; i >= 0; --i)
            number = number * 256 + static_cast<unsigned char>(value.data[i]);
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", number);
        return lead + digits;
    }
    if (value.type == REG_BINARY)
        return HexLines(lead + "hex:", value.data);
    char type[16];
    std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(value.type));
    return HexLines(lead + type,
                    unicode && IsText(value.type) ? Utf8ToUtf16Le(value.data) : value.data);
}

} // namespace

bool ParseRegFile(std::string_view bytes, std::vector<RegChange>& changes, RegFileError& error) {
    changes.clear();
    if (Parser(bytes, changes, error).Run())
        return true;
    changes.clear();
    return false;
}

LONG ReadExportedKeys(const KeyPath& key, bool recursive, std::vector<ExportedKey>& keys) {
    keys.clear();
    return VisitTree(key, recursive, [&keys](const KeyPath& path, HKEY opened) {
        keys.push_back(ExportedKey{path, {}});
        return ReadValues(opened, keys.back().values);
    });
}

// Keeps the key of the last value open.
LONG ApplyRegChanges(const std::vector<RegChange>& changes) {
    HKEY current = nullptr;
    LONG result = ERROR_SUCCESS;
    for (const RegChange& change : changes) {
        if (change.kind != RegChange::Kind::SetValue &&
            change.kind != RegChange::Kind::DeleteValue) {
            RegCloseKey(current);
            current = nullptr;
        }
        switch (change.kind) {
        case RegChange::Kind::DeleteKey:
            result = DeleteTree(change.key);
            if (result == static_cast<LONG>(ERROR_FILE_NOT_FOUND))
                result = ERROR_SUCCESS;
            break;
        case RegChange::Kind::CreateKey:
            result = RegCreateKeyExA(change.key.root, change.key.subKey.c_str(), 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &current,
                                     nullptr);
            break;
        case RegChange::Kind::SetValue:
            result = RegSetValueExA(current, change.value.name.c_str(), 0, change.value.type,
                                    reinterpret_cast<const BYTE*>(change.value.data.data()),
                                    static_cast<DWORD>(change.value.data.size()));
            break;
        case RegChange::Kind::DeleteValue:
            result = RegDeleteValueA(current, change.value.name.c_str());
            if (result == static_cast<LONG>(ERROR_FILE_NOT_FOUND))
                result = ERROR_SUCCESS;
            break;
        }
        if (result != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(current);
    return result;
}

std::string FormatRegFile(const std::vector<ExportedKey>& keys) {
    const bool unicode = std::all_of(keys.begin(), keys.end(), [](const ExportedKey& key) {
        return std::all_of(key.values.begin(), key.values.end(), IsUnicodeText);
    });
    std::string out =
        std::string(unicode ? kHeader5 : kHeader4) + std::string(kLineEnd) + std::string(kLineEnd);
    for (const ExportedKey& key : keys) {
        out += "[" + key.key.FullName() + "]" + std::string(kLineEnd);
        for (const RegValue& value : key.values)
            out += FormatValue(value, unicode) + std::string(kLineEnd);
        out += kLineEnd;
    }
    return out;
}

} // namespace qvureg
