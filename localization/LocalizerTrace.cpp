#include "localization/LocalizerTrace.h"

#include "platform/debug.h"

void WriteLocalizerTrace(const char* line) {
    OutputDebugStringA(line);
    OutputDebugStringA("\r\n");
}
