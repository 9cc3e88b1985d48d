// Dialog controls: the model of a dialog's window, kept per dialog handle and
// control id, that a front end renders.
//
// This machine draws no windows of its own: a control is its state alone
// (text, visible, enabled, progress range and position), and the dialog adds
// its caption. Any non-null handle but a control's may serve as a dialog; a
// control comes into
// being with the first operation on it (visible, enabled, empty text, range
// 0 .. 100 at position 0) and goes with ForgetDialogControls, which
// DestroyWindow calls. Safe to call from any thread.
#pragma once

#include "platform/shell.h" // SW_HIDE, SW_SHOW
#include "platform/win_types.h"

#include <functional>
#include <map>
#include <string>

// Progress bar messages (SendMessageA to a control handle).
constexpr UINT PBM_SETRANGE = 0x0401;   // lParam: low word low, high word high
constexpr UINT PBM_SETPOS = 0x0402;     // wParam: position; answers the old one
constexpr UINT PBM_SETRANGE32 = 0x0406; // wParam low, lParam high
constexpr UINT PBM_GETRANGE = 0x0407;   // wParam TRUE: low, FALSE: high; lParam PBRANGE* or 0
constexpr UINT PBM_GETPOS = 0x0408;

struct PBRANGE {
    int iLow;
    int iHigh;
};

// Registering the control classes a dialog uses. The model knows every
// class from the start, so this only checks the structure: FALSE with
// ERROR_INVALID_PARAMETER unless its size is that of the structure.
struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
constexpr DWORD ICC_WIN95_CLASSES = 0xFF;
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);

// Sets the text of control controlId of dialog; a null text sets the empty
// text. FALSE with ERROR_INVALID_WINDOW_HANDLE for a null dialog.
BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text);

// Copies the control's text into buffer, cut to maxCount - 1 characters and
// terminated; answers the characters copied. 0 with ERROR_CONTROL_ID_NOT_FOUND
// (and an empty buffer) for a control that does not exist, with
// ERROR_INVALID_WINDOW_HANDLE for a null dialog.
UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR buffer, int maxCount);

// The handle of control controlId of dialog, creating the control; the same
// handle for as long as the dialog lives, never one of another control or a
// kernel object. Null with ERROR_INVALID_WINDOW_HANDLE for a null dialog.
HWND GetDlgItem(HWND dialog, int controlId);

// Given a control handle, its text; given any other handle, the dialog's caption.
BOOL SetWindowTextA(HWND window, LPCSTR text);
int GetWindowTextA(HWND window, LPSTR buffer, int maxCount);

// Visibility and enabling of a control handle. ShowWindow hides with SW_HIDE
// and shows with any other command, answering whether the control was
// visible; EnableWindow answers whether it was disabled. A handle that names
// no control answers FALSE (with ERROR_INVALID_WINDOW_HANDLE for the setters).
BOOL ShowWindow(HWND control, int showCommand);
BOOL IsWindowVisible(HWND control);
BOOL EnableWindow(HWND control, BOOL enable);
BOOL IsWindowEnabled(HWND control);

// The progress bar messages above, sent to a control handle. The position is
// kept within the range, as a progress bar keeps it. Other messages, and
// handles that name no control, answer 0.
LRESULT SendMessageA(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

namespace platform {

// ---- The front end's hook ----
struct DialogControlState {
    std::string text;
    bool visible = true;
    bool enabled = true;
    int rangeLow = 0;
    int rangeHigh = 100;
    int position = 0;
};

struct DialogState {
    std::string caption;
    std::map<int, DialogControlState> controls;
};

enum class DialogChangeKind { Text, Visible, Enabled, ProgressRange, ProgressPosition, Caption };

// One change of a dialog: the control (0 for the caption) with its state
// right after the change; for a Caption change, control.text is the caption.
struct DialogChange {
    HWND dialog;
    int controlId;
    DialogChangeKind kind;
    DialogControlState control;
};

using DialogListener = std::function<void(const DialogChange&)>;

// The front end that renders dialog learns of every change that alters its
// state (setting a value it already has is none). The listener runs on the
// thread that made the change, outside every platform lock; an empty
// listener removes it. The listener goes with the dialog.
void SetDialogListener(HWND dialog, DialogListener listener);

// Everything known of dialog, for a front end that draws it from scratch;
// empty for a dialog never touched.
DialogState DialogSnapshot(HWND dialog);

// Drops every control of dialog, its caption and its listener, as destroying
// its window does.
void ForgetDialogControls(HWND dialog);

} // namespace platform
