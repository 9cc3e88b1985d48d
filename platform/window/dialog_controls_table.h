// The table behind the dialog controls: one record per dialog, one lock for
// all. Every change goes through EditControl or EditCaption, which tell the
// dialog's listener outside the lock.
#pragma once

#include "platform/dialog_controls.h"

#include <functional>
#include <optional>

namespace platform::dialog_table {

// Applies an edit to a state under the lock; answers whether the state changed.
using ControlEdit = std::function<bool(DialogControlState&)>;

// Edits control controlId of dialog, creating it. False for a null dialog.
bool EditControl(HWND dialog, int controlId, DialogChangeKind kind, const ControlEdit& edit);

// Edits the control a handle from GetDlgItem names. False for any other handle.
bool EditControl(HWND control, DialogChangeKind kind, const ControlEdit& edit);

// The state of the control a handle from GetDlgItem names.
std::optional<DialogControlState> ReadControl(HWND control);

} // namespace platform::dialog_table
