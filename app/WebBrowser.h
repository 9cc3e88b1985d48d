// The dialog's page view (control 1006). In the dialog's model the control's
// text is the address it shows; the front end renders that page, or names it.
#pragma once

#include "platform/win_types.h"

#include <string>

// Navigation flags: no history entry, neither read from nor written to the cache.
constexpr long navNoHistory = 2;
constexpr long navNoReadFromCache = 4;
constexpr long navNoWriteToCache = 8;
// What the run navigates with: the page is the vendor's current one, always.
constexpr long kPageNavigationFlags = navNoHistory | navNoReadFromCache | navNoWriteToCache;

class CWebBrowser {
public:
    CWebBrowser(HWND dialog, int controlId) : dialog_(dialog), controlId_(controlId) {}

    // Starts loading address; the page arrives while the run goes on.
    void Navigate(const std::string& address, long flags);

private:
    HWND dialog_;
    int controlId_;
};

// Whether address may go to a browser or the page view: only http and
// https addresses do (IsWebAddress). Anything else is refused and noted in
// the trace log at level 1, with why (what).
bool IsBrowserAddress(const std::string& address, const char* what);
