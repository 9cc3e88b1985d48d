// The process's diagnostic channel, where Windows has the debugger output.
#pragma once

#include "platform/win_types.h"

// Writes to standard error, a line at a time, each line as "[pid] text".
// Texts of one thread make up its lines: a text without a line end waits for
// the thread's next line end (or the thread's end), so that pieces sent
// separately, such as a header, a text and CR LF, give one line. CR LF and LF
// both end a line. Silent unless the environment variable QVU_DEBUG_OUTPUT is
// set to something other than "" or "0"; it is looked at on every call.
void OutputDebugStringA(LPCSTR outputString);

// No debugger is ever attached in the sense Windows means.
BOOL IsDebuggerPresent();
