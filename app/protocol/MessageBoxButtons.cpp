#include "app/protocol/MessageBoxButtons.h"

#include "platform/window.h"

#include <algorithm>

std::vector<int> MessageBoxButtonIds(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE:
        return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL:
        return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO:
        return {IDYES, IDNO};
    case MB_RETRYCANCEL:
        return {IDRETRY, IDCANCEL};
    default:
        return {IDOK};
    }
}

int DefaultMessageBoxButton(UINT type) {
    const std::vector<int> buttons = MessageBoxButtonIds(type);
    const std::size_t index = (type & 0xF00) >> 8; // MB_DEFBUTTON1 ... MB_DEFBUTTON4
    return buttons[std::min(index, buttons.size() - 1)];
}

int DismissingMessageBoxButton(UINT type) {
    const std::vector<int> buttons = MessageBoxButtonIds(type);
    for (int leaving : {IDCANCEL, IDNO})
        if (std::find(buttons.begin(), buttons.end(), leaving) != buttons.end())
            return leaving;
    return buttons.front();
}

std::string MessageBoxButtonName(int button) {
    switch (button) {
    case IDOK:
        return "ok";
    case IDCANCEL:
        return "cancel";
    case IDABORT:
        return "abort";
    case IDRETRY:
        return "retry";
    case IDIGNORE:
        return "ignore";
    case IDYES:
        return "yes";
    case IDNO:
        return "no";
    default:
        return "";
    }
}
