// Pipes: the ends are file handles of their own kind, read as Windows reads
// a pipe (what is there, up to the count) instead of a disk file.
#include "platform/errors.h"
#include "platform/files/file_object.h"
#include "platform/pipes.h"
#include "platform/runtime/native_errors.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A write into a pipe nobody reads fails instead of ending the process.
void IgnoreBrokenPipeSignal() {
    static const bool ignored = [] {
        std::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)ignored;
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

// A private duplicate of fd that no started program inherits; -1 on failure.
int PrivateCopy(int fd) {
    return fcntl(fd, F_DUPFD_CLOEXEC, 3);
}

} // namespace

namespace platform {

HANDLE RegisterPipeEnd(int fd) {
    return RegisterKernelObject(
        std::make_shared<FileObject>(SharedFile(fd, nullptr), FileObject::Kind::Pipe));
}

std::shared_ptr<FileObject> FindFile(HANDLE handle) {
    auto file = FindKernelObjectAs<FileObject>(handle);
    if (!file)
        SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

int NativeDescriptorOf(HANDLE handle) {
    const auto file = FindFile(handle);
    return file ? file->file.Fd() : -1;
}

BOOL ReadPipe(const FileObject& pipe, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead) {
    if (bytesToRead == 0)
        return TRUE;
    ssize_t got;
    while ((got = read(pipe.file.Fd(), buffer, bytesToRead)) < 0 && errno == EINTR) {
    }
    if (got < 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    if (got == 0)
        return Fail(ERROR_BROKEN_PIPE);
    if (bytesRead)
        *bytesRead = static_cast<DWORD>(got);
    return TRUE;
}

BOOL WritePipe(const FileObject& pipe, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten) {
    IgnoreBrokenPipeSignal();
    const auto* bytes = static_cast<const char*>(buffer);
    DWORD total = 0;
    while (total < bytesToWrite) {
        const ssize_t put = write(pipe.file.Fd(), bytes + total, bytesToWrite - total);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return errno == EPIPE ? Fail(ERROR_NO_DATA) : (SetLastErrorFromErrno(errno), FALSE);
        total += static_cast<DWORD>(put);
        if (bytesWritten)
            *bytesWritten = total;
    }
    return TRUE;
}

BOOL TakeStandardStreams(PHANDLE input, PHANDLE output) {
    static std::atomic<bool> taken{false};
    if (input == nullptr || output == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (taken.exchange(true))
        return Fail(ERROR_ALREADY_EXISTS);
    IgnoreBrokenPipeSignal();
    const int in = PrivateCopy(STDIN_FILENO);
    const int out = PrivateCopy(STDOUT_FILENO);
    const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (in < 0 || out < 0 || nothing < 0) {
        for (int fd : {in, out, nothing})
            if (fd >= 0)
                close(fd);
        taken = false;
        return Fail(ERROR_INVALID_HANDLE);
    }
    dup2(nothing, STDIN_FILENO);
    close(nothing);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    *input = RegisterPipeEnd(in);
    *output = RegisterPipeEnd(out);
    return TRUE;
}

} // namespace platform

BOOL CreatePipe(PHANDLE readPipe, PHANDLE writePipe, LPSECURITY_ATTRIBUTES, DWORD) {
    if (readPipe == nullptr || writePipe == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    IgnoreBrokenPipeSignal();
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        platform::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    *readPipe = platform::RegisterPipeEnd(ends[0]);
    *writePipe = platform::RegisterPipeEnd(ends[1]);
    return TRUE;
}
