#include "frontends/window/WindowSession.h"

#include "app/protocol/ProtocolPipe.h"
#include "app/protocol/WebAddress.h"
#include "frontends/window/EngineLink.h"
#include "frontends/window/MessageBoxWindow.h"
#include "frontends/window/ProductChoiceWindow.h"
#include "frontends/window/UpdateWindow.h"
#include "platform/debug.h"
#include "platform/handles.h"
#include "platform/locale.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/sync.h"
#include "platform/time.h"
#include "platform/window.h"

#include <wx/app.h>
#include <wx/intl.h>
#include <wx/translation.h>

#include <gtk/gtk.h>

#include <algorithm>

namespace {

// How long the engine may take to end once its dialog has.
constexpr DWORD kEngineEndMs = 10000;
constexpr const char* kCaption = "QVUUpdate";

// The toolkit's own words (the buttons of boxes) in the language of the
// engine's texts, from the toolkit's translations where they are installed.
void SpeakLanguageOf(unsigned langId) {
    wxLanguage language = wxLANGUAGE_ENGLISH;
    switch (PRIMARYLANGID(static_cast<LANGID>(langId))) {
    case LANG_GERMAN:
        language = wxLANGUAGE_GERMAN;
        break;
    case LANG_FRENCH:
        language = wxLANGUAGE_FRENCH;
        break;
    case LANG_ITALIAN:
        language = wxLANGUAGE_ITALIAN;
        break;
    case LANG_SPANISH:
        language = wxLANGUAGE_SPANISH;
        break;
    default:
        return;
    }
    auto* translations = new wxTranslations;
    translations->SetLanguage(language);
    translations->AddStdCatalog();
    wxTranslations::Set(translations);
}

struct Reader {
    WindowSession* session;
    HANDLE fromEngine;
};

// The thread that reads the engine's messages and hands them to the
// toolkit's thread, one at a time and in order.
DWORD ReadFromEngine(LPVOID parameter) {
    const std::unique_ptr<Reader> reader(static_cast<Reader*>(parameter));
    WindowSession* session = reader->session;
    std::string payload;
    for (;;) {
        const FrameStatus status = ReceiveFrame(reader->fromEngine, payload);
        std::optional<ViewMessage> message;
        if (status == FrameStatus::Received)
            message = ParseViewMessage(payload);
        if (!message) {
            const std::string why = status == FrameStatus::Closed     ? "it closed its pipe"
                                    : status == FrameStatus::Received ? "it sent what is no message"
                                                                      : "its pipe broke";
            wxTheApp->CallAfter([session, why] { session->EngineGone(why); });
            return 0;
        }
        wxTheApp->CallAfter(
            [session, shown = *message, at = GetTickCount()] { session->Receive(shown, at); });
    }
}

} // namespace

WindowSession::WindowSession(EngineLink& link) : link_(link) {}

WindowSession::~WindowSession() {
    for (wxDialog* modal : modals_)
        modal->Destroy();
    if (window_ != nullptr)
        window_->Destroy();
}

bool WindowSession::Start() {
    // An engine that never listened (its authentication failed) is found
    // out by the reader, which learns why.
    link_.Send(ActMessage{ActHello{}});
    const HANDLE thread =
        CreateThread(nullptr, 0, ReadFromEngine, new Reader{this, link_.FromEngine()}, 0, nullptr);
    if (thread == nullptr) {
        End(2);
        return false;
    }
    CloseHandle(thread);
    // Built while the engine starts its check, so that the window stands
    // ready, drawn, when the run's first texts and its progress come.
    BuildWindow();
    return true;
}

void WindowSession::Receive(const ViewMessage& message, DWORD arrivedAt) {
    if (ended_)
        return;
    if (const auto* hello = std::get_if<ViewHello>(&message)) {
        if (greeted_ || hello->version != kFrontEndProtocolVersion) {
            Fail("The update engine speaks another version of the window's protocol: install "
                 "QVUUpdate and its window from the same release.",
                 2);
            return;
        }
        greeted_ = true;
        SpeakLanguageOf(hello->language);
        return;
    }
    if (!greeted_) {
        Fail("The update engine did not introduce itself.", 2);
        return;
    }
    if (const auto* change = std::get_if<ViewChange>(&message)) {
        EnsureWindow().Follow(
            platform::DialogChange{nullptr, change->controlId, change->kind, change->state},
            arrivedAt);
    } else if (const auto* box = std::get_if<ViewBox>(&message)) {
        Ask(*box);
    } else if (const auto* choice = std::get_if<ViewChoice>(&message)) {
        Offer(*choice);
    } else if (const auto* browse = std::get_if<ViewBrowse>(&message)) {
        if (IsWebAddress(browse->address))
            ShellExecuteA(nullptr, "open", browse->address.c_str(), nullptr, nullptr,
                          SW_SHOWNORMAL);
    } else if (const auto* note = std::get_if<ViewNote>(&message)) {
        // Beside the engine's boxes, answered by nobody but the user.
        auto* shown = new MessageBoxWindow(&EnsureWindow(), note->text, note->caption,
                                           MB_OK | MB_ICONINFORMATION);
        shown->SetAnswerHandler([this, shown](int) { CloseModal(shown); });
        ShowModal(*shown);
    } else if (std::holds_alternative<ViewEnd>(message)) {
        const std::optional<DWORD> status = link_.EngineStatus(kEngineEndMs);
        End(status ? static_cast<int>(std::min<DWORD>(*status, 2)) : 0);
    }
}

void WindowSession::EngineGone(const std::string& why) {
    if (ended_)
        return;
    OutputDebugStringA(("QVUUpdateWindow: the engine went: " + why + "\n").c_str());
    if (greeted_) {
        Fail("The update engine ended unexpectedly: the update did not finish.", 2);
        return;
    }
    const std::optional<DWORD> status = link_.EngineStatus(kEngineEndMs);
    if (status == platform::kElevationCancelled)
        Fail("The administrator's authentication was cancelled: nothing was changed.", 1);
    else if (status == platform::kElevationRefused)
        Fail("The update needs an administrator's authentication, which was refused: nothing "
             "was changed.",
             2);
    else
        Fail("The update engine could not be started.", 2);
}

void WindowSession::BuildWindow() {
    window_ = new UpdateWindow([this](int button) { link_.Send(ActMessage{ActClick{button}}); });
    window_->SetProgressShownHandler([this](DWORD delayMs) {
        longestProgressDelayMs_ = std::max(longestProgressDelayMs_, delayMs);
    });
}

UpdateWindow& WindowSession::EnsureWindow() {
    if (window_ == nullptr)
        BuildWindow();
    if (!window_->IsShown())
        window_->Show(true);
    return *window_;
}

void WindowSession::Ask(const ViewBox& box) {
    auto* shown = new MessageBoxWindow(&EnsureWindow(), box.text, box.caption, box.type);
    shown->SetAnswerHandler([this, shown, question = box.question](int button) {
        link_.Send(ActMessage{ActAnswer{question, button}});
        CloseModal(shown);
    });
    ShowModal(*shown);
}

void WindowSession::Offer(const ViewChoice& choice) {
    auto* shown = new ProductChoiceWindow(&EnsureWindow(), choice.caption, choice.prompt,
                                          choice.entries, choice.preselected);
    shown->SetChosenHandler([this, shown, question = choice.question](std::size_t index) {
        link_.Send(ActMessage{ActChoose{question, index}});
        CloseModal(shown);
    });
    ShowModal(*shown);
}

void WindowSession::ShowModal(wxDialog& window) {
    modals_.push_back(&window);
    window.Show();
    // Modal for the update window without disabling it, so that its
    // progress stays drawn and legible under the box.
    auto* native = GTK_WINDOW(window.GetHandle());
    gtk_window_set_transient_for(native, GTK_WINDOW(EnsureWindow().GetHandle()));
    gtk_window_set_modal(native, TRUE);
    window.Raise();
    if (modalOpened_)
        modalOpened_(window);
}

void WindowSession::CloseModal(wxDialog* window) {
    modals_.erase(std::remove(modals_.begin(), modals_.end(), window), modals_.end());
    window->Hide();
    window->Destroy();
}

void WindowSession::Fail(const std::string& text, int status) {
    // Ended at once, so that nothing more of the engine is shown; the box
    // keeps the program until the user has read it.
    End(status, false);
    OutputDebugStringA(("QVUUpdateWindow: " + text + "\n").c_str());
    auto* shown = new MessageBoxWindow(nullptr, text, kCaption, MB_OK | MB_ICONERROR);
    shown->SetAnswerHandler([shown](int) {
        shown->Destroy();
        wxTheApp->ExitMainLoop();
    });
    shown->Show();
    shown->Raise();
    if (modalOpened_)
        modalOpened_(*shown);
}

void WindowSession::End(int status, bool leaveLoop) {
    if (ended_)
        return;
    ended_ = true;
    status_ = status;
    for (wxDialog* modal : modals_) {
        modal->Hide();
        modal->Destroy();
    }
    modals_.clear();
    if (window_ != nullptr) {
        if (longestProgressDelayMs_ != 0) {
            // For whoever measures the window's responsiveness (QVU_DEBUG_OUTPUT=1).
            OutputDebugStringA(("QVUUpdateWindow: progress shown at most " +
                                std::to_string(longestProgressDelayMs_) + " ms after it arrived\n")
                                   .c_str());
        }
        window_->Hide();
        window_->Destroy();
        window_ = nullptr;
    }
    if (leaveLoop)
        wxTheApp->ExitMainLoop();
}
