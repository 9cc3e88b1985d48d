// The dialog's web page (control 1006) in a WebKit view: the vendor's page
// loads without history and without cache, every completed document is
// zoomed to the screen's resolution, and links that ask for a new window go
// to the user's default browser instead.
#pragma once

#include <wx/webview.h>

#include <string>

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

private:
    void OnLoaded(wxWebViewEvent& event);
    void OnNewWindow(wxWebViewEvent& event);

    wxWebView* view_ = nullptr;
    int zoom_ = 0;
};
