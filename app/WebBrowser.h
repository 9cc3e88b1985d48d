// The dialog's page view (control 1006). In the dialog's model the control's
// text is the address it shows; the front end renders that page, or names it.
#pragma once

#include "platform/win_types.h"

#include <string>

// Navigation flags: no history entry, neither read from nor written to the cache.
constexpr long navNoHistory = 2;
constexpr long navNoReadFromCache = 4;
constexpr long navNoWriteToCache = 8;

class CWebBrowser {
public:
    CWebBrowser(HWND dialog, int controlId) : dialog_(dialog), controlId_(controlId) {}

    // Starts loading address; the page arrives while the run goes on.
    void Navigate(const std::string& address, long flags);

private:
    HWND dialog_;
    int controlId_;
};
