#include "frontends/window/PageView.h"

#include "app/protocol/WebAddress.h"
#include "base/VisibleText.h"
#include "platform/debug.h"
#include "platform/shell.h"

#include <webkit2/webkit2.h>

#include <algorithm>

namespace {

bool sandboxed = false;

// The page's process in WebKit's sandbox (bubblewrap), set before the first
// view starts one; a WebKit without bubblewrap on the machine keeps it off,
// as it could not start its page process at all.
void UseSandbox() {
    static const bool once = [] {
        gchar* bwrap = g_find_program_in_path("bwrap");
        if (bwrap != nullptr) {
            webkit_web_context_set_sandbox_enabled(webkit_web_context_get_default(), TRUE);
            sandboxed = true;
        }
        g_free(bwrap);
        return true;
    }();
    (void)once;
}

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

bool IsBackOrForward(WebKitPolicyDecision* decision) {
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
        WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    return webkit_navigation_action_get_navigation_type(action) ==
           WEBKIT_NAVIGATION_TYPE_BACK_FORWARD;
}

// The page keeps no history: back and forward (by key, mouse button or
// script) go nowhere. An answer the view would not display, in the page or
// in any frame of it, is refused before WebKit's default makes it a download.
gboolean DecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                      gpointer) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION ||
        type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
        if (!IsBackOrForward(decision))
            return FALSE;
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
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

// A link that asks for a new window opens in the user's default browser
// when it is a web address; anything else would start a program or show a
// local file, and is only noted.
void OpenRequestedWindow(const std::string& address) {
    if (IsWebAddress(address)) {
        // The default action, shown; a failure to start the browser is not reported.
        ShellExecuteA(nullptr, nullptr, address.c_str(), nullptr, nullptr, SW_SHOW);
        return;
    }
    OutputDebugStringA(("QVUUpdateWindow: new window of the page not opened, only http and "
                        "https addresses are: " +
                        VisibleControls(address) + "\n")
                           .c_str());
}

} // namespace

int DocumentZoomPercent(int dotsPerInch) {
    // The scale in single precision and the percentage truncated: 110 dots
    // per inch give 114, as on the Windows program's pages.
    const float scale = static_cast<float>(dotsPerInch) / 96.0f;
    return static_cast<int>(static_cast<double>(scale) * 100.0);
}

bool PageView::IsSandboxed() {
    return sandboxed;
}

PageView::PageView(wxWindow& parent, int id, const wxRect& rect) {
    if (!wxWebView::IsBackendAvailable(wxWebViewBackendDefault))
        return;
    UseSandbox();
    view_ = wxWebView::New(&parent, id, wxWebViewDefaultURLStr, rect.GetPosition(), rect.GetSize(),
                           wxWebViewBackendDefault, wxBORDER_SUNKEN);
    if (view_ == nullptr)
        return;
    if (auto* native = static_cast<WebKitWebView*>(view_->GetNativeBackend())) {
        DisableCaches(native);
        // The toolkit's own handler leaves answers to WebKit's default, which downloads.
        g_signal_connect(native, "decide-policy", G_CALLBACK(DecidePolicy), nullptr);
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
    // Every completed document, frames too, gets the screen's zoom. The
    // desktop's integer scale (GDK_SCALE) is in the resolution too, and the
    // view already draws at it: only the rest is the page's zoom.
    const double scale = std::max(view_->GetContentScaleFactor(), 1.0);
    zoom_ = DocumentZoomPercent(static_cast<int>(view_->GetDPI().GetHeight() / scale));
    // For whoever checks the page against the screen (QVU_DEBUG_OUTPUT=1).
    OutputDebugStringA(("QVUUpdateWindow: page shown at " + std::to_string(zoom_) +
                        "% on a screen of " + std::to_string(view_->GetDPI().GetHeight()) +
                        " dots per inch at scale " + std::to_string(scale) + "\n")
                           .c_str());
    view_->SetZoomFactor(static_cast<float>(zoom_) / 100.0f);
    event.Skip();
}

void PageView::OnNewWindow(wxWebViewEvent& event) {
    // Handling the event is refusing the window: the page stays as it is.
    // Narrow texts are in the ANSI code page, which is UTF-8 here.
    OpenRequestedWindow(event.GetURL().utf8_string());
}
