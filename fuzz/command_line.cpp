// The update manager's command line: arbitrary arguments joined into one
// command line text as the program does (JoinArguments), the switches read
// from it (ReadStartupSwitches), and the switches read from arbitrary text.
//
// Oracles: the joined text splits by the Windows rules into the arguments
// again; an argument "/autostart" (any letter case) is seen; a first
// "/display=" that starts an unquoted argument gives that argument's address
// in lower case; a page address never holds a blank or an upper-case ASCII letter.
//
// Input: the arguments, separated by zero bytes.
#include "app/QVUUpdateApp.h"
#include "fuzz/FuzzSupport.h"
#include "platform/shell/shell_command_line.h"
#include "platform/strings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using qvufuzz::Require;

namespace {

void RequirePlainAddress(const StartupSwitches& switches) {
    for (const char c : switches.displayAddress)
        Require(c != ' ' && !(c >= 'A' && c <= 'Z'), "a page address with a blank or capital");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    RequirePlainAddress(ReadStartupSwitches(std::string(input)));

    std::vector<std::string> arguments;
    for (std::size_t start = 0; start <= input.size() && arguments.size() < 32;) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        arguments.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    std::vector<const char*> argv{"QVUUpdate.exe"};
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    const std::string line = JoinArguments(static_cast<int>(argv.size()), argv.data());
    Require(platform::SplitCommandLine(line) == arguments,
            "the joined command line splits into other arguments");

    const StartupSwitches switches = ReadStartupSwitches(line);
    RequirePlainAddress(switches);
    bool autostart = false;
    for (const std::string& argument : arguments)
        autostart = autostart || ascii::EqualsIgnoringCase(argument, "/autostart");
    if (autostart)
        Require(switches.autostart, "an argument /autostart is not seen");

    // Where each argument starts in the line: the pieces are joined by one
    // blank each; an argument that needs no quotes stands as it is.
    const std::size_t display = ascii::ToLower(line).find("/display=");
    std::size_t offset = 0;
    for (const std::string& argument : arguments) {
        const char* one[] = {"QVUUpdate.exe", argument.c_str()};
        const std::string piece = JoinArguments(2, one);
        if (offset == display && piece == argument)
            Require(switches.displayAddress == ascii::ToLower(argument.substr(9)),
                    "the page address is not the argument's");
        offset += piece.size() + 1;
    }
    return 0;
}
