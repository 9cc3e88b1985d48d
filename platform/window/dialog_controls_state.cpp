// Visibility, enabling and the progress bar of a control handle.
#include "platform/dialog_controls.h"
#include "platform/errors.h"
#include "platform/window/dialog_controls_table.h"

#include <algorithm>
#include <utility>

namespace {

using platform::DialogChangeKind;
using platform::DialogControlState;
using platform::dialog_table::EditControl;
using platform::dialog_table::ReadControl;

// Sets one flag of the control and answers its old value through previous.
BOOL SetFlag(HWND control, bool DialogControlState::*flag, bool value, DialogChangeKind kind,
             bool& previous) {
    const bool found = EditControl(control, kind, [&](DialogControlState& state) {
        previous = std::exchange(state.*flag, value);
        return previous != value;
    });
    if (!found)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return found ? TRUE : FALSE;
}

int ClampToRange(int position, const DialogControlState& state) {
    return std::max(state.rangeLow, std::min(position, state.rangeHigh));
}

LRESULT PackRange(int low, int high) {
    return static_cast<LRESULT>(static_cast<DWORD>((low & 0xFFFF) | ((high & 0xFFFF) << 16)));
}

// Sets the range, keeping the position within it; answers the old range as
// PBM_SETRANGE packs it.
LRESULT SetRange(HWND control, int low, int high) {
    LRESULT previous = 0;
    EditControl(control, DialogChangeKind::ProgressRange, [&](DialogControlState& state) {
        previous = PackRange(state.rangeLow, state.rangeHigh);
        const bool changed = state.rangeLow != low || state.rangeHigh != high;
        state.rangeLow = low;
        state.rangeHigh = high;
        state.position = ClampToRange(state.position, state);
        return changed;
    });
    return previous;
}

LRESULT SetPosition(HWND control, int position) {
    LRESULT previous = 0;
    EditControl(control, DialogChangeKind::ProgressPosition, [&](DialogControlState& state) {
        previous = std::exchange(state.position, ClampToRange(position, state));
        return previous != state.position;
    });
    return previous;
}

LRESULT GetRange(HWND control, bool low, PBRANGE* range) {
    const std::optional<DialogControlState> state = ReadControl(control);
    if (!state)
        return 0;
    if (range != nullptr)
        *range = PBRANGE{state->rangeLow, state->rangeHigh};
    return low ? state->rangeLow : state->rangeHigh;
}

} // namespace

BOOL ShowWindow(HWND control, int showCommand) {
    bool wasVisible = false;
    SetFlag(control, &DialogControlState::visible, showCommand != SW_HIDE,
            DialogChangeKind::Visible, wasVisible);
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND control) {
    const std::optional<DialogControlState> state = ReadControl(control);
    return state && state->visible ? TRUE : FALSE;
}

BOOL EnableWindow(HWND control, BOOL enable) {
    bool wasEnabled = true;
    SetFlag(control, &DialogControlState::enabled, enable != FALSE, DialogChangeKind::Enabled,
            wasEnabled);
    return wasEnabled ? FALSE : TRUE;
}

BOOL IsWindowEnabled(HWND control) {
    const std::optional<DialogControlState> state = ReadControl(control);
    return state && state->enabled ? TRUE : FALSE;
}

LRESULT SendMessageA(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case PBM_SETRANGE:
        return SetRange(control, static_cast<int>(lParam & 0xFFFF),
                        static_cast<int>((lParam >> 16) & 0xFFFF));
    case PBM_SETRANGE32:
        return SetRange(control, static_cast<int>(wParam), static_cast<int>(lParam));
    case PBM_SETPOS:
        return SetPosition(control, static_cast<int>(wParam));
    case PBM_GETPOS: {
        const std::optional<DialogControlState> state = ReadControl(control);
        return state ? state->position : 0;
    }
    case PBM_GETRANGE:
        return GetRange(control, wParam != FALSE, reinterpret_cast<PBRANGE*>(lParam));
    default:
        return 0;
    }
}
