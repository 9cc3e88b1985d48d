// The server copy of the trace log: written lines are queued by the writers
// and appended to the server log file by a background thread, so that a slow
// or unreachable share never holds a writer up.
#pragma once

#include "base/KxExport.h"

// Queues line (when not null) for the server log, asks for a flush when
// flush is set, and wakes or starts the journal thread (signal wakes it).
// Does nothing while server logging is off.
KX_EXPORT void PostToServerJournal(const char* line, bool signal, bool flush);

// One pass of the journal: writes the queue to the server log file until it
// stays empty, a flush is asked for or the share fails. The background
// thread's body (synchronous false) or a single pass on the caller's thread.
KX_EXPORT void ServerJournalThread(bool synchronous);
