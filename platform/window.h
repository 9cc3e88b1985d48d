// Windows: message boxes, shown by whichever front end the program runs with.
#pragma once

#include "platform/win_types.h"

#include <functional>

// Buttons (the low four bits of the type).
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_OKCANCEL = 0x1;
constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
constexpr UINT MB_YESNOCANCEL = 0x3;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_RETRYCANCEL = 0x5;
constexpr UINT MB_TYPEMASK = 0xF;
// Icons.
constexpr UINT MB_ICONHAND = 0x10;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x40;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
// Default button, modality and placement.
constexpr UINT MB_DEFBUTTON1 = 0x0;
constexpr UINT MB_DEFBUTTON2 = 0x100;
constexpr UINT MB_DEFBUTTON3 = 0x200;
constexpr UINT MB_APPLMODAL = 0x0;
constexpr UINT MB_SYSTEMMODAL = 0x1000;
constexpr UINT MB_TASKMODAL = 0x2000;
constexpr UINT MB_SETFOREGROUND = 0x10000;
constexpr UINT MB_TOPMOST = 0x40000;

// The button pressed.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Shows a modal message box through the front end's handler and answers the
// button pressed. Without a handler the box goes to standard error as
// "caption: text" and is answered with its first button (IDOK, IDABORT,
// IDYES or IDRETRY). A caption of null reads "Error", as on Windows. A type
// with buttons other than the above answers 0 with ERROR_INVALID_MSGBOX_STYLE.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

namespace platform {

// ---- The front end's hook ----
// The front end (console, GUI, tests) registers how message boxes are shown;
// the handler answers the button pressed (IDOK ... IDNO). It may be called
// from any thread and runs outside every platform lock. An empty handler
// goes back to standard error.
using MessageBoxHandler =
    std::function<int(HWND owner, const char* text, const char* caption, UINT type)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

// The box as it is shown without a handler: "caption: text" on standard
// error, answered with its first button. For a handler that cannot show a
// box on the calling thread.
int ShowMessageBoxOnStandardError(LPCSTR text, LPCSTR caption, UINT type);

} // namespace platform
