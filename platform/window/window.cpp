#include "platform/window.h"

#include "platform/errors.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace {

std::mutex handlerLock;
platform::MessageBoxHandler& Handler() {
    // Never destroyed: a box may still be shown while statics go away at exit.
    static auto* handler = new platform::MessageBoxHandler();
    return *handler;
}

platform::MessageBoxHandler CurrentHandler() {
    std::lock_guard<std::mutex> guard(handlerLock);
    return Handler();
}

// The first button of each button set; 0 for a set Windows does not know.
int FirstButton(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OK:
    case MB_OKCANCEL:
        return IDOK;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO:
        return IDYES;
    case MB_RETRYCANCEL:
        return IDRETRY;
    default:
        return 0;
    }
}

} // namespace

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    const int firstButton = FirstButton(type);
    if (firstButton == 0) {
        SetLastError(ERROR_INVALID_MSGBOX_STYLE);
        return 0;
    }
    if (text == nullptr)
        text = "";
    if (caption == nullptr)
        caption = "Error";
    if (const platform::MessageBoxHandler handler = CurrentHandler())
        return handler(owner, text, caption, type);
    return platform::ShowMessageBoxOnStandardError(text, caption, type);
}

namespace platform {

void SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> guard(handlerLock);
    Handler() = std::move(handler);
}

int ShowMessageBoxOnStandardError(LPCSTR text, LPCSTR caption, UINT type) {
    const std::string box =
        std::string(caption ? caption : "Error") + ": " + (text ? text : "") + "\n";
    std::fwrite(box.data(), 1, box.size(), stderr);
    return FirstButton(type);
}

} // namespace platform
