// Where the translation table reports its failures.
#pragma once

// Writes one line of the table's diagnostics (importance 0) to the debugger
// output, followed by CR LF.
void WriteLocalizerTrace(const char* line);
