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

// ---- What the page view does with its events ----
// A front end that shows the page calls these from the view's events.

// The zoom, in percent, for every completed document on a screen of
// dotsPerInch vertical resolution: pages are made for 96, so 120 gives 125.
int DocumentZoomPercent(int dotsPerInch);

// Whether address may go to a browser: only http and https addresses do.
// Anything else (a drive path such as "c:/pwn", file:, javascript:, a bare
// name) would be started as a program or shown from the local disk; it is
// refused and noted in the trace log at level 1, with why (what).
bool IsBrowserAddress(const std::string& address, const char* what);

// A link that asks for a new window opens in the user's default browser
// when it is a browser address; the view refuses the window in place either way.
void OpenRequestedWindow(const std::string& address);
