// Windows: the registry of windows and their posted-message queues. A window
// here is a queue with a handle: whoever posts to it (a worker thread, the
// window itself) appends a message, and the front end that owns the window
// takes them out one at a time on its own thread.
#pragma once

#include "platform/win_types.h"

constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_USER = 0x0400;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time; // the millisecond clock (GetTickCount) when it was posted
};

// TRUE while the window exists (created and not yet destroyed).
BOOL IsWindow(HWND window);

// Appends the message to the window's queue and wakes its reader. FALSE with
// ERROR_INVALID_WINDOW_HANDLE when the window is gone; the message is dropped.
BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Removes the window: its pending messages are dropped, later posts fail and a
// reader waiting in GetWindowMessage wakes with false. FALSE with
// ERROR_INVALID_WINDOW_HANDLE when it did not exist.
BOOL DestroyWindow(HWND window);

namespace platform {

// ---- The front end's hook ----
// A new window with an empty queue. Handles are never reused, so a stale
// handle of a destroyed window never reaches a later one.
HWND CreateWindowQueue();

// Takes the oldest message of the window's queue, waiting up to timeoutMs
// for one to arrive. False when nothing came in time or the window is gone.
// When the reader took a message a moment ago and the queue is empty, it
// waits a millisecond before it sleeps: messages that pour in (a download
// posts one per block) then wake it about a thousand times a second, not
// once each, which would cost the poster as much as its own work. A message
// is seen at most a millisecond later.
bool GetWindowMessage(HWND window, MSG* message, DWORD timeoutMs);

// Takes the oldest message without waiting; false when there is none.
bool PeekWindowMessage(HWND window, MSG* message);

} // namespace platform
