#include "tools/qvu-reg/Report.h"

#include <iostream>

namespace qvureg {

namespace {

std::string ErrorText(LONG error) {
    switch (static_cast<DWORD>(error)) {
    case ERROR_FILE_NOT_FOUND:
        return "The system was unable to find the specified registry key or value.";
    case ERROR_ACCESS_DENIED:
        return "Access is denied.";
    case ERROR_BADDB:
        return "The configuration registry database is corrupt.";
    case ERROR_KEY_DELETED:
        return "Illegal operation attempted on a registry key that has been marked for deletion.";
    case ERROR_BAD_PATHNAME:
        return "Invalid key name.";
    default:
        return "The registry operation failed (error " + std::to_string(error) + ").";
    }
}

} // namespace

int Succeeded() {
    std::cout << "The operation completed successfully.\n";
    return kSuccess;
}

int Failed(const std::string& message) {
    std::cerr << "ERROR: " << message << "\n";
    return kFailure;
}

int FailedWith(LONG error) {
    return Failed(ErrorText(error));
}

int InvalidSyntax() {
    Failed("Invalid syntax.");
    std::cerr << "Type \"qvu-reg /?\" for usage.\n";
    return kFailure;
}

} // namespace qvureg
