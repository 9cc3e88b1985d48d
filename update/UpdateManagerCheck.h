// The update manager's check of itself: whether the update server holds a
// newer copy of this program than the one running.
#pragma once

#include "platform/win_types.h"

class XMLLocalizer;

// Asks the update server for the size and modification time of the current
// update manager (the beta one for a beta build) and compares them with the
// running program's file: a different size, or a server copy more than 30
// seconds younger, is newer. When it is, the user is told (a beta build asks
// and may decline) in a message box owned by owner and captioned with the
// application name, and autostart is cleared. Answers true when the user is
// to fetch the newer program. Failures to reach the server are thrown as
// CInternetException; an answer other than 200 or missing headers pass.
bool CheckForNewerUpdateManager(bool beta, const XMLLocalizer& localizer, HWND owner,
                                const char* caption, bool& autostart);
