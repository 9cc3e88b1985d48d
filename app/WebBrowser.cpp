#include "app/WebBrowser.h"

#include "app/protocol/WebAddress.h"
#include "base/VisibleText.h"
#include "platform/dialog_controls.h"
#include "tracelog/TraceLog.h"

void CWebBrowser::Navigate(const std::string& address, long /*flags*/) {
    // Every page view a front end offers loads without history and cache.
    SetDlgItemTextA(dialog_, controlId_, address.c_str());
}

bool IsBrowserAddress(const std::string& address, const char* what) {
    if (IsWebAddress(address))
        return true;
    TraceLog(1).Format(1, "%s not opened, only http and https addresses are: %s", what,
                       VisibleControls(address).c_str());
    return false;
}
