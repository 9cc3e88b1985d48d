// The tool's commands; each takes the arguments after its name and answers
// the exit status.
#pragma once

#include <string>
#include <vector>

namespace qvureg {

using Arguments = std::vector<std::string>;

// add KEY [/v NAME | /ve] [/t REG_SZ|REG_EXPAND_SZ|REG_DWORD|REG_BINARY] [/d DATA] [/f]
int AddCommand(const Arguments& args);
// query KEY [/v NAME | /ve] [/s]
int QueryCommand(const Arguments& args);
// delete KEY [/f]
int DeleteCommand(const Arguments& args);
// import FILE
int ImportCommand(const Arguments& args);
// export KEY FILE [/y]
int ExportCommand(const Arguments& args);

} // namespace qvureg
