// For platform/ only: what a file handle holds, a file on disk or one end of
// a pipe, and the pipe's own reading and writing.
#pragma once

#include "platform/files/file_open.h"
#include "platform/sync/kernel_objects.h"
#include "platform/win_types.h"

#include <memory>

namespace platform {

struct FileObject : KernelObject {
    enum class Kind { Disk, Pipe };
    FileObject(SharedFile opened, Kind of) : file(std::move(opened)), kind(of) {}
    SharedFile file;
    Kind kind;
};

// A new handle for a pipe's end, or any stream read and written as one (a
// standard device); the handle owns fd.
HANDLE RegisterPipeEnd(int fd);

// The file behind a handle, or null with ERROR_INVALID_HANDLE. It stays open
// while the caller holds it, even if another thread closes the handle meanwhile.
std::shared_ptr<FileObject> FindFile(HANDLE handle);

// ReadFile and WriteFile on a pipe's end (platform/pipes.h).
BOOL ReadPipe(const FileObject& pipe, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead);
BOOL WritePipe(const FileObject& pipe, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten);

// The native descriptor behind a file or pipe handle; -1 with
// ERROR_INVALID_HANDLE for any other.
int NativeDescriptorOf(HANDLE handle);

} // namespace platform
