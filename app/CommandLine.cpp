#include "app/CommandLine.h"

#include <cstddef>
#include <string_view>

namespace {

constexpr std::string_view kAutostartSwitch = "/autostart ";
constexpr std::string_view kDisplaySwitch = "/display=";

// Only the ASCII letters are folded, as the runtime library's default locale
// does; every other byte stays as it is, so texts in the ANSI code page and
// multi-byte sequences pass unchanged.
std::string ToLowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool NeedsQuotes(std::string_view argument) {
    return argument.empty() || argument.find_first_of(" \t\n\v\"") != std::string_view::npos;
}

// Backslashes are literal unless they precede a quote; there each must be
// doubled and the quote escaped.
void AppendQuoted(std::string& line, std::string_view argument) {
    line += '"';
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            line.append(backslashes * 2 + 1, '\\');
        else
            line.append(backslashes, '\\');
        backslashes = 0;
        line += c;
    }
    // The closing quote follows: trailing backslashes are doubled as well.
    line.append(backslashes * 2, '\\');
    line += '"';
}

} // namespace

StartupSwitches ReadStartupSwitches(const std::string& arguments) {
    // The appended blank completes a switch or a value at the end of the line.
    const std::string text = ToLowerAscii(arguments) + ' ';
    StartupSwitches switches;
    switches.autostart = text.find(kAutostartSwitch) != std::string::npos;
    const std::size_t display = text.find(kDisplaySwitch);
    if (display != std::string::npos) {
        const std::size_t start = display + kDisplaySwitch.size();
        switches.displayAddress = text.substr(start, text.find(' ', start) - start);
    }
    return switches;
}

std::string JoinArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        if (NeedsQuotes(argv[i]))
            AppendQuoted(line, argv[i]);
        else
            line += argv[i];
    }
    return line;
}
