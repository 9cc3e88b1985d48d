// qvu-reg: a command-line registry editor in the manner of Windows' reg.
#include "platform/strings.h"
#include "tools/qvu-reg/Commands.h"
#include "tools/qvu-reg/Report.h"

#include <iostream>

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  qvu-reg add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]\n"
    "  qvu-reg query KEY [/v NAME | /ve] [/s]\n"
    "  qvu-reg delete KEY [/f]\n"
    "  qvu-reg import FILE.reg\n"
    "  qvu-reg export KEY FILE.reg [/y]\n"
    "\n"
    "KEY begins with HKLM, HKCU, HKU or HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,\n"
    "HKEY_USERS. TYPE is REG_SZ (the default), REG_EXPAND_SZ, REG_DWORD or\n"
    "REG_BINARY. The tool never asks: add overwrites, delete deletes the key\n"
    "with its subkeys, export overwrites the file; /f and /y are accepted.\n"
    "import reads the whole file first and changes nothing if it is malformed.\n";

} // namespace

int main(int argc, char** argv) {
    using namespace qvureg;
    if (argc < 2)
        return InvalidSyntax();
    const std::string command = ascii::ToLower(argv[1]);
    const Arguments args(argv + 2, argv + argc);
    if (command == "/?" || command == "-?" || command == "--help") {
        std::cout << kUsage;
        return kSuccess;
    }
    if (command == "add")
        return AddCommand(args);
    if (command == "query")
        return QueryCommand(args);
    if (command == "delete")
        return DeleteCommand(args);
    if (command == "import")
        return ImportCommand(args);
    if (command == "export")
        return ExportCommand(args);
    return InvalidSyntax();
}
