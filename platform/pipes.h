// Pipes: anonymous pipes between a program and a process it starts, as
// CreatePipe makes them. ReadFile, WriteFile and CloseHandle
// (platform/files.h, handles.h) work on both ends, and on the standard
// devices (platform/console.h), as on a Windows pipe:
// - ReadFile waits until some bytes are there and answers those, up to the
//   count (fewer than asked is no end). Once every write end is closed and
//   all was read: FALSE with ERROR_BROKEN_PIPE.
// - WriteFile writes everything, waiting while the pipe is full. When every
//   read end is closed: FALSE with ERROR_NO_DATA, and the process is not
//   ended for it (the process ignores the signal that would).
#pragma once

#include "platform/win_types.h"

using PHANDLE = HANDLE*;

constexpr DWORD ERROR_BROKEN_PIPE = 109;
constexpr DWORD ERROR_NO_DATA = 232;

// A one-way pipe: what is written to *writePipe is read from *readPipe.
// Neither end reaches a started program unless it is handed to it as a
// standard handle (STARTF_USESTDHANDLES, platform/process.h). size is a hint
// and ignored. FALSE with ERROR_INVALID_PARAMETER for a null out-pointer,
// ERROR_TOO_MANY_OPEN_FILES when the process has no descriptors left.
BOOL CreatePipe(PHANDLE readPipe, PHANDLE writePipe, LPSECURITY_ATTRIBUTES attributes, DWORD size);

namespace platform {

// For a program whose peer talks to it over its standard input and output
// (a process that started it with pipes): moves both to new pipe handles
// that no program it starts inherits, and leaves standard input reading
// nothing and standard output writing to standard error, so that nothing
// this process or a program it starts prints can reach the peer. Once per
// process. FALSE with ERROR_INVALID_HANDLE when either stream is closed, or
// ERROR_ALREADY_EXISTS when they were taken before.
BOOL TakeStandardStreams(PHANDLE input, PHANDLE output);

} // namespace platform
