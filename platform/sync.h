// Synchronisation and threads: mutexes, events, waiting, threads.
#pragma once

#include "platform/win_types.h"

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD STILL_ACTIVE = 259;

using LPTHREAD_START_ROUTINE = DWORD (*)(LPVOID);

// Mutexes. A named mutex is one lock for every process of the account that
// uses the name (with the same QVU_ROOT); other accounts have names of their
// own, as sessions do on Windows, so none can hold it. GetLastError() is
// ERROR_ALREADY_EXISTS when the name was in use by this or another process,
// and initialOwner only applies to the creator. Null with ERROR_ACCESS_DENIED
// when another account took the place of this account's lock files. An unnamed one is local to
// the process. The owning thread may wait again and must release as often.
// When the owning process dies, the next waiter gets the mutex with
// WAIT_ABANDONED, as on Windows: the data it guards may be half written.
// A thread that ends while owning one does not abandon it: the mutex stays
// owned until its process ends.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
// FALSE with ERROR_NOT_OWNER when the calling thread does not own it.
BOOL ReleaseMutex(HANDLE mutex);

// Events, auto-reset (a wait takes the signal, waking one waiter) or manual
// reset. Named events are shared within the process only.
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState,
                    LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Waits for a mutex, event, thread or process (platform/process.h):
// WAIT_OBJECT_0, WAIT_ABANDONED (a mutex), WAIT_TIMEOUT, or WAIT_FAILED with
// the last error set.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// Threads. The handle is signalled when the thread ends; closing it does not
// affect the thread. The stack size is the system's, whatever is asked;
// CREATE_SUSPENDED is not offered (ERROR_NOT_SUPPORTED).
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize,
                    LPTHREAD_START_ROUTINE startAddress, LPVOID parameter, DWORD creationFlags,
                    LPDWORD threadId);
// STILL_ACTIVE while the thread runs, then its exit code.
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
// Ends the process with exitCode, as Windows does: the other threads stop
// where they are before anything is cleaned up, so a thread still at work
// (a download) never meets a library that is shutting down. Buffered
// standard output is written out first. Does not return.
[[noreturn]] void ExitProcess(UINT exitCode);
void Sleep(DWORD milliseconds);
