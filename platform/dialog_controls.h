// Dialog controls: the texts of a dialog's controls, kept per window handle
// and control id.
//
// This machine draws no windows of its own: a control is known by its texts
// alone, and a front end renders them. A control comes into being with the
// first text set for it and goes with ForgetDialogControls. Safe to call from
// any thread.
#pragma once

#include "platform/win_types.h"

// Sets the text of control controlId of dialog; a null text sets the empty
// text. FALSE with ERROR_INVALID_WINDOW_HANDLE for a null dialog.
BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text);

// Copies the control's text into buffer, cut to maxCount - 1 characters and
// terminated; answers the characters copied. 0 with ERROR_CONTROL_ID_NOT_FOUND
// (and an empty buffer) for a control that was never set, with
// ERROR_INVALID_WINDOW_HANDLE for a null dialog.
UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR buffer, int maxCount);

namespace platform {

// Drops every control of dialog, as destroying its window does.
void ForgetDialogControls(HWND dialog);

} // namespace platform
