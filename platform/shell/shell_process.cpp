// Child processes: the program runs as a child of this process; a detached
// thread waits for its end, reaps it and records its exit status in a state
// that both handles share, so they can be waited on and closed at any time.
#include "platform/process.h"

#include "platform/accounts.h"
#include "platform/accounts/account_token.h"
#include "platform/errors.h"
#include "platform/files/file_object.h"
#include "platform/files/native_path.h"
#include "platform/shell/shell_command_line.h"
#include "platform/shell/shell_program.h"
#include "platform/shell/shell_spawn.h"
#include "platform/sync/sync_objects.h"

#include <string>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
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

// The entries of an environment block: "NAME=VALUE" strings up to the empty one.
std::vector<std::string> EnvironmentEntries(LPVOID environment) {
    std::vector<std::string> entries;
    for (const char* at = static_cast<const char*>(environment); *at != '\0';
         at += entries.back().size() + 1)
        entries.emplace_back(at);
    return entries;
}

// The descriptors of the standard handles startupInfo names; false when one
// names no file or pipe.
bool StandardStreamsOf(const STARTUPINFOA& startupInfo, int (&streams)[3]) {
    const HANDLE handles[3] = {startupInfo.hStdInput, startupInfo.hStdOutput,
                               startupInfo.hStdError};
    for (int i = 0; i < 3; ++i) {
        streams[i] = platform::NativeDescriptorOf(handles[i]);
        if (streams[i] < 0)
            return false;
    }
    return true;
}

// The program to run and its arguments, from CreateProcessA's application
// name and command line; false when neither names a program.
bool ProgramAndArguments(LPCSTR applicationName, LPSTR commandLine, std::string& file,
                         std::vector<std::string>& arguments) {
    arguments = platform::SplitCommandLine(commandLine != nullptr ? commandLine : "");
    file = applicationName != nullptr ? applicationName : "";
    if (file.empty()) {
        if (arguments.empty())
            return false;
        file = arguments.front();
    }
    if (!arguments.empty())
        arguments.erase(arguments.begin());
    return true;
}

// CreateProcessA of file with arguments, as account when one is given.
BOOL StartProcess(const platform::AccountToken* account, const std::string& file,
                  const std::vector<std::string>& arguments, DWORD creationFlags,
                  LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                  LPPROCESS_INFORMATION processInformation) {
    if (processInformation == nullptr || startupInfo == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (creationFlags & kCreateSuspended)
        return Fail(ERROR_NOT_SUPPORTED);
    platform::ChildSetup setup;
    setup.silent = (creationFlags & (DETACHED_PROCESS | CREATE_NO_WINDOW)) != 0;
    if ((startupInfo->dwFlags & STARTF_USESTDHANDLES) &&
        !StandardStreamsOf(*startupInfo, setup.standardStreams))
        return Fail(ERROR_INVALID_HANDLE);
    if (environment != nullptr)
        setup.environment = EnvironmentEntries(environment);
    if (account != nullptr)
        setup.account = platform::ChildAccount{account->uid, account->gid, account->groups};

    std::string program;
    if (const int failure = platform::ResolveProgram(file, program))
        return Fail(static_cast<DWORD>(failure));
    std::string workingFolder;
    if (!WorkingFolder(currentDirectory, workingFolder))
        return Fail(ERROR_PATH_NOT_FOUND);
    int processId = 0;
    if (const int failure =
            platform::StartChildProcess(program, arguments, workingFolder, setup, processId))
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

} // namespace

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL, DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation) {
    std::string file;
    std::vector<std::string> arguments;
    if (!ProgramAndArguments(applicationName, commandLine, file, arguments))
        return Fail(ERROR_FILE_NOT_FOUND);
    return StartProcess(nullptr, file, arguments, creationFlags, environment, currentDirectory,
                        startupInfo, processInformation);
}

BOOL CreateProcessAsUserA(HANDLE token, LPCSTR applicationName, LPSTR commandLine,
                          LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD creationFlags,
                          LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                          LPPROCESS_INFORMATION processInformation) {
    const auto account = platform::FindAccountToken(token);
    if (!account)
        return FALSE;
    if (geteuid() != 0 && account->uid != geteuid())
        return Fail(ERROR_PRIVILEGE_NOT_HELD);
    std::string file;
    std::vector<std::string> arguments;
    if (!ProgramAndArguments(applicationName, commandLine, file, arguments))
        return Fail(ERROR_FILE_NOT_FOUND);
    return StartProcess(account.get(), file, arguments, creationFlags, environment,
                        currentDirectory, startupInfo, processInformation);
}

BOOL platform::CreateProcessAsAdministrator(LPCSTR applicationName,
                                            const std::vector<std::string>& arguments,
                                            LPSTARTUPINFOA startupInfo,
                                            LPPROCESS_INFORMATION processInformation) {
    std::string program;
    if (applicationName == nullptr || platform::ResolveProgram(applicationName, program) != 0)
        return Fail(ERROR_FILE_NOT_FOUND);
    // pkexec takes the program by its absolute native path, which its
    // polkit action names; the arguments go through as they are.
    std::vector<std::string> pkexecArguments = {program};
    pkexecArguments.insert(pkexecArguments.end(), arguments.begin(), arguments.end());
    return StartProcess(nullptr, "pkexec", pkexecArguments, 0, nullptr, nullptr, startupInfo,
                        processInformation);
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
    return platform::ExitCodeOf<ProcessObject>(process, exitCode);
}
