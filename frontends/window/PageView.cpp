#include "frontends/window/PageView.h"

#include "app/WebBrowser.h"

#include <webkit2/webkit2.h>

namespace {

// The view's own caches would keep pages the run asked for fresh: the
// document-viewer model keeps none in memory or on disk. What WebKit still
// stores (cookies, local storage) goes to the user's cache and data folders
// under the program's name, as GTK names the program.
void DisableCaches(WebKitWebView* native) {
    webkit_web_context_set_cache_model(webkit_web_view_get_context(native),
                                       WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
}

bool IsAttachment(WebKitURIResponse* response) {
    SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
    const char* disposition =
        headers != nullptr ? soup_message_headers_get_one(headers, "Content-Disposition") : nullptr;
    return disposition != nullptr && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
}

// An answer the view would not display, in the page or in any frame of it,
// is refused before WebKit's default makes it a download.
gboolean RefuseUndisplayedAnswers(WebKitWebView*, WebKitPolicyDecision* decision,
                                  WebKitPolicyDecisionType type, gpointer) {
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE)
        return FALSE;
    auto* answer = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (webkit_response_policy_decision_is_mime_type_supported(answer) &&
        !IsAttachment(webkit_response_policy_decision_get_response(answer)))
        return FALSE;
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

// The page view downloads nothing: what still starts a download (a link with
// "download", a script's request) is cancelled before a byte is stored.
void CancelDownload(WebKitWebContext*, WebKitDownload* download, gpointer) {
    webkit_download_cancel(download);
}

// Downloads are refused for every view of the context, once.
void RefuseDownloads(WebKitWebView* native) {
    WebKitWebContext* context = webkit_web_view_get_context(native);
    static const char* const kRefusing = "qvu-refuses-downloads";
    if (g_object_get_data(G_OBJECT(context), kRefusing) != nullptr)
        return;
    g_object_set_data(G_OBJECT(context), kRefusing, GINT_TO_POINTER(1));
    g_signal_connect(context, "download-started", G_CALLBACK(CancelDownload), nullptr);
}

} // namespace

PageView::PageView(wxWindow& parent, int id, const wxRect& rect) {
    if (!wxWebView::IsBackendAvailable(wxWebViewBackendDefault))
        return;
    view_ = wxWebView::New(&parent, id, wxWebViewDefaultURLStr, rect.GetPosition(), rect.GetSize(),
                           wxWebViewBackendDefault, wxBORDER_SUNKEN);
    if (view_ == nullptr)
        return;
    if (auto* native = static_cast<WebKitWebView*>(view_->GetNativeBackend())) {
        DisableCaches(native);
        // The toolkit's own handler leaves answers to WebKit's default, which downloads.
        g_signal_connect(native, "decide-policy", G_CALLBACK(RefuseUndisplayedAnswers), nullptr);
        RefuseDownloads(native);
    }
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
