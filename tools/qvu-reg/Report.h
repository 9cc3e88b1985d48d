// What the tool tells its user: results on stdout, "ERROR: ..." on stderr,
// and the exit status that goes with them.
#pragma once

#include "platform/win_types.h"

#include <string>

namespace qvureg {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;

// Prints "The operation completed successfully." and answers kSuccess.
int Succeeded();
// Prints "ERROR: " + message on stderr and answers kFailure.
int Failed(const std::string& message);
// Failed with the text of a registry error code.
int FailedWith(LONG error);
// Failed with "Invalid syntax." and a pointer to the usage.
int InvalidSyntax();

} // namespace qvureg
