// The diagnostic trace log of the in-house libraries. Components create a
// short-lived TraceLog on the stack with a level and write lines through it;
// every object of a process writes to one dated log file per program, to the
// debugger output and, when server logging is on, to a copy on a server share.
// Smaller levels are more important: a line is written when its level is below
// the threshold (5 by default), and lines of levels 0 to 3 are flushed at once.
#pragma once

#include "base/KxExport.h"

class KX_EXPORT TraceLog {
public:
    TraceLog();
    // A level below the threshold after a shutdown that came before the first
    // line starts the log again, with a warning line.
    explicit TraceLog(int level);
    virtual ~TraceLog();

    void LogFuncsAt(int level);

    // One line: a header of time, process and thread (when asked), the text,
    // CR LF. Level -1 stands for the object's level. Never fails to the caller:
    // a line that cannot be written is dropped.
    void Write(int level, const char* text, bool withHeader);
    void Write(const char* text, bool withHeader);
    // printf-style, then Write with a header. Results longer than 8191
    // characters are cut and marked "xxx Buffer Overflow xxx ".
    void Format(int level, const char* format, ...) __attribute__((format(printf, 3, 4)));

    static void SetLogLevel(int threshold);
    // The last line written to the log file, header included, cut to 4048
    // characters; it changes with every line.
    static const char* GetLastLogEntry();
    // Closes the log file (deleting it when asked) and ends logging, with an
    // end line when asked; no lines are written afterwards.
    static void StopLogging(bool deleteFile, bool writeEndLine);

    void FlushBuffers();
    // Writes the backtrace banners and flushes the local and the server log.
    void DumpStack();
    // Lines are never kept in memory: nothing to clear.
    void ClearMemory();
    // Copies the whole file into the log between lines of hyphens; a missing
    // file is created empty. False when the log's lock or either file cannot
    // be had.
    bool AppendFileToLog(const char* path);

private:
    int level_;
};
