// Start-up and shutdown of the trace log: the program id, the log folders from
// the installed product's data-path settings, the dated files, the named
// locks, and the end of logging.
#pragma once

#include "base/KxExport.h"
#include "platform/win_types.h"

// Opens today's log file and creates the file lock; turns server logging on
// when the settings name a usable server folder. Module null: the program.
KX_EXPORT void StartTraceLog(HMODULE module);

// Ends logging: an end line when asked, then the log file and both locks are
// closed; queued server lines are written first.
KX_EXPORT void TraceLogExitFunc3(bool writeEndLine);
