// The server journal's rest after failures to reach the share: the longer
// the share stays away, the rarer the tries.
#pragma once

#include "platform/win_types.h"

namespace tracelog {

// Seconds to wait before the next try after failures consecutive failures.
inline DWORD JournalPauseSeconds(int failures) {
    if (failures > 100)
        return 600;
    if (failures > 10)
        return 60;
    return 1;
}

} // namespace tracelog
