#include "app/WebBrowser.h"

#include "platform/dialog_controls.h"

void CWebBrowser::Navigate(const std::string& address, long /*flags*/) {
    // Every page view a front end offers loads without history and cache.
    SetDlgItemTextA(dialog_, controlId_, address.c_str());
}
