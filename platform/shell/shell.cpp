#include "platform/shell.h"

#include "platform/errors.h"
#include "platform/files/native_path.h"
#include "platform/shell/shell_command_line.h"
#include "platform/shell/shell_program.h"
#include "platform/shell/shell_spawn.h"
#include "platform/strings.h"

#include <cstdint>
#include <sys/stat.h>

namespace {

// Windows answers an instance handle above 32 on success; its value means nothing.
constexpr INT kStarted = 42;

bool IsWebAddress(const char* file) {
    return _strnicmp(file, "http://", 7) == 0 || _strnicmp(file, "https://", 8) == 0;
}

bool IsOpenVerb(LPCSTR operation) {
    return operation == nullptr || *operation == '\0' || _stricmp(operation, "open") == 0;
}

int OpenInBrowser(const std::string& address) {
    const std::string browser = platform::SearchProgramPath("xdg-open");
    if (browser.empty())
        return SE_ERR_NOASSOC;
    const int failure = platform::StartDetachedProcess(browser, {address}, "");
    return failure ? failure : kStarted;
}

int StartProgram(const std::string& file, LPCSTR parameters, LPCSTR directory) {
    std::string program;
    if (const int failure = platform::ResolveProgram(file, program))
        return failure;
    std::string workingFolder;
    if (directory != nullptr && *directory != '\0') {
        workingFolder = platform::ToNativePath(directory);
        struct stat st;
        if (workingFolder.empty() || stat(workingFolder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return SE_ERR_PNF;
    }
    const int failure = platform::StartDetachedProcess(
        program, platform::SplitCommandLine(parameters ? parameters : ""), workingFolder);
    return failure ? failure : kStarted;
}

DWORD LastErrorOf(int result) {
    return result == SE_ERR_NOASSOC ? ERROR_NO_ASSOCIATION : static_cast<DWORD>(result);
}

} // namespace

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT) {
    int result;
    if (file == nullptr || *file == '\0')
        result = SE_ERR_FNF;
    else if (!IsOpenVerb(operation))
        result = SE_ERR_NOASSOC;
    else if (IsWebAddress(file))
        result = OpenInBrowser(file);
    else
        result = StartProgram(file, parameters, directory);
    if (result <= 32)
        SetLastError(LastErrorOf(result));
    return reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(result));
}
