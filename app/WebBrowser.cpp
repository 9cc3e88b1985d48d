#include "app/WebBrowser.h"

#include "base/VisibleText.h"
#include "platform/dialog_controls.h"
#include "platform/shell.h"
#include "platform/strings.h"
#include "tracelog/TraceLog.h"

void CWebBrowser::Navigate(const std::string& address, long /*flags*/) {
    // Every page view a front end offers loads without history and cache.
    SetDlgItemTextA(dialog_, controlId_, address.c_str());
}

int DocumentZoomPercent(int dotsPerInch) {
    // The scale in single precision and the percentage truncated: 110 dots
    // per inch give 114, as on the Windows program's pages.
    const float scale = static_cast<float>(dotsPerInch) / 96.0f;
    return static_cast<int>(static_cast<double>(scale) * 100.0);
}

bool IsBrowserAddress(const std::string& address, const char* what) {
    const char* text = address.c_str();
    if (_strnicmp(text, "http://", 7) == 0 || _strnicmp(text, "https://", 8) == 0)
        return true;
    TraceLog(1).Format(1, "%s not opened, only http and https addresses are: %s", what,
                       VisibleControls(address).c_str());
    return false;
}

void OpenRequestedWindow(const std::string& address) {
    // The default action, shown; a failure to start the browser is not reported.
    if (IsBrowserAddress(address, "New window of the page"))
        ShellExecuteA(nullptr, nullptr, address.c_str(), nullptr, nullptr, SW_SHOW);
}
