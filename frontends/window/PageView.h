// The dialog's web page (control 1006) in a WebKit view: the vendor's page
// loads without history (back and forward go nowhere) and without cache,
// every completed document is zoomed to the screen's resolution, links that
// ask for a new window go to the user's default browser instead (web
// addresses only), and nothing is downloaded. Where the installed WebKit
// can, the page's own process runs in its sandbox.
#pragma once

#include <wx/webview.h>

#include <string>

// The zoom, in percent, for every completed document on a screen of
// dotsPerInch vertical resolution: pages are made for 96, so 120 gives 125.
int DocumentZoomPercent(int dotsPerInch);

class PageView {
public:
    // Creates the view as child id of parent at rect. Without a web engine
    // the page area stays empty.
    PageView(wxWindow& parent, int id, const wxRect& rect);

    // Starts loading address; an empty address shows a blank page.
    void Navigate(const std::string& address);

    // The view, null without a web engine.
    wxWebView* View() const { return view_; }
    // The zoom set after the last completed document, in percent; 0 before.
    int Zoom() const { return zoom_; }
    // Whether the page's process runs in WebKit's sandbox.
    static bool IsSandboxed();

private:
    void OnLoaded(wxWebViewEvent& event);
    void OnNewWindow(wxWebViewEvent& event);

    wxWebView* view_ = nullptr;
    int zoom_ = 0;
};
