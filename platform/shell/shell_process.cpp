// Child processes: the program runs as a child of this process; a detached
// thread waits for its end, reaps it and records its exit status in a state
// that both handles share, so they can be waited on and closed at any time.
#include "platform/process.h"

#include "platform/errors.h"
#include "platform/files/native_path.h"
#include "platform/shell/shell_command_line.h"
#include "platform/shell/shell_program.h"
#include "platform/shell/shell_spawn.h"
#include "platform/sync/sync_objects.h"

#include <string>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kCreateSuspended = 0x00000004;

// The process handle and its primary thread's handle: both end with the program.
struct ProcessObject : platform::EndingObject {
    using EndingObject::EndingObject;
};

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// The native working folder, "" for this process's; false when it is no folder.
bool WorkingFolder(LPCSTR currentDirectory, std::string& native) {
    native.clear();
    if (currentDirectory == nullptr || *currentDirectory == '\0')
        return true;
    native = platform::ToNativePath(currentDirectory);
    struct stat st;
    return !native.empty() && stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL, DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation) {
    if (processInformation == nullptr || startupInfo == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if ((creationFlags & kCreateSuspended) || environment != nullptr ||
        (startupInfo->dwFlags & STARTF_USESTDHANDLES))
        return Fail(ERROR_NOT_SUPPORTED);
    std::vector<std::string> arguments =
        platform::SplitCommandLine(commandLine != nullptr ? commandLine : "");
    std::string file = applicationName != nullptr ? applicationName : "";
    if (file.empty()) {
        if (arguments.empty())
            return Fail(ERROR_FILE_NOT_FOUND);
        file = arguments.front();
    }
    if (!arguments.empty())
        arguments.erase(arguments.begin());

    std::string program;
    if (const int failure = platform::ResolveProgram(file, program))
        return Fail(static_cast<DWORD>(failure));
    std::string workingFolder;
    if (!WorkingFolder(currentDirectory, workingFolder))
        return Fail(ERROR_PATH_NOT_FOUND);
    const bool silent = (creationFlags & (DETACHED_PROCESS | CREATE_NO_WINDOW)) != 0;
    int processId = 0;
    if (const int failure =
            platform::StartChildProcess(program, arguments, workingFolder, silent, processId))
        return Fail(static_cast<DWORD>(failure));

    auto state = std::make_shared<platform::EndState>();
    try {
        std::thread([state, processId] {
            state->Finish(static_cast<DWORD>(platform::WaitForChildProcess(processId)));
        }).detach();
    } catch (const std::system_error&) {
        // Nobody could reap it: waited for here, so that no zombie stays behind.
        platform::WaitForChildProcess(processId);
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    processInformation->hProcess =
        platform::RegisterKernelObject(std::make_shared<ProcessObject>(state));
    processInformation->hThread =
        platform::RegisterKernelObject(std::make_shared<ProcessObject>(state));
    processInformation->dwProcessId = static_cast<DWORD>(processId);
    // A process's first thread has the process's own id.
    processInformation->dwThreadId = static_cast<DWORD>(processId);
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
    return platform::ExitCodeOf<ProcessObject>(process, exitCode);
}
