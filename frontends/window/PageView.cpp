#include "frontends/window/PageView.h"

#include "app/WebBrowser.h"

#include <webkit2/webkit2.h>

namespace {

// The view's own caches would keep pages the run asked for fresh: the
// document-viewer model keeps none in memory or on disk. What WebKit still
// stores (cookies, local storage) goes to the user's cache and data folders
// under the program's name, as GTK names the program.
void DisableCaches(wxWebView& view) {
    auto* native = static_cast<WebKitWebView*>(view.GetNativeBackend());
    if (native == nullptr)
        return;
    webkit_web_context_set_cache_model(webkit_web_view_get_context(native),
                                       WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
}

} // namespace

PageView::PageView(wxWindow& parent, int id, const wxRect& rect) {
    if (!wxWebView::IsBackendAvailable(wxWebViewBackendDefault))
        return;
    view_ = wxWebView::New(&parent, id, wxWebViewDefaultURLStr, rect.GetPosition(), rect.GetSize(),
                           wxWebViewBackendDefault, wxBORDER_SUNKEN);
    if (view_ == nullptr)
        return;
    DisableCaches(*view_);
    // No back and forward here: a navigation leaves no history to go back to.
    view_->EnableHistory(false);
    view_->EnableContextMenu(false);
    view_->SetZoomType(wxWEBVIEW_ZOOM_TYPE_LAYOUT);
    view_->Bind(wxEVT_WEBVIEW_LOADED, &PageView::OnLoaded, this);
    view_->Bind(wxEVT_WEBVIEW_NEWWINDOW, &PageView::OnNewWindow, this);
}

void PageView::Navigate(const std::string& address) {
    if (view_ != nullptr)
        view_->LoadURL(address.empty() ? wxString(wxWebViewDefaultURLStr)
                                       : wxString::FromUTF8(address));
}

void PageView::OnLoaded(wxWebViewEvent& event) {
    // Every completed document, frames too, gets the screen's zoom.
    zoom_ = DocumentZoomPercent(view_->GetDPI().GetHeight());
    view_->SetZoomFactor(static_cast<float>(zoom_) / 100.0f);
    event.Skip();
}

void PageView::OnNewWindow(wxWebViewEvent& event) {
    // Handling the event is refusing the window: the page stays as it is.
    // Narrow texts are in the ANSI code page, which is UTF-8 here.
    OpenRequestedWindow(event.GetURL().utf8_string());
}
