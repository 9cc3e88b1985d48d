#include "app/RemoteFrontEnd.h"

#include "app/DialogTemplates.h"
#include "app/protocol/FrontEndProtocol.h"
#include "app/protocol/ProtocolPipe.h"
#include "app/protocol/WebAddress.h"
#include "app/QVUUpdateApp.h"
#include "app/QVUUpdateDlg.h"
#include "app/SelectProductDlg.h"
#include "base/VisibleText.h"
#include "platform/dialog_controls.h"
#include "platform/handles.h"
#include "platform/sync.h"
#include "platform/time.h"
#include "tracelog/TraceLog.h"

#include <algorithm>
#include <atomic>
#include <deque>

namespace {

// What the reader thread posts to the dialog, as WM_APP messages.
constexpr UINT kActClick = WM_APP + 1;  // wParam: the button
constexpr UINT kActAnswer = WM_APP + 2; // wParam: the question; lParam: the button
constexpr UINT kActChoose = WM_APP + 3; // wParam: the question; lParam: the index
constexpr UINT kActLost = WM_APP + 4;   // the window broke the protocol or went

// Progress reaches the window at most this often; the download posts far more.
constexpr DWORD kProgressIntervalMs = 1000 / 60;
// A window that leaves this much unread has stopped reading.
constexpr std::size_t kMaxUnsentBytes = 1 << 20;
// How long a Cancel may wait for the dialog's thread before the check is cut short.
constexpr DWORD kCancelGraceMs = 700;
// How long the last messages may take to reach the window at the end.
constexpr DWORD kDrainMs = 2000;

bool IsProgress(const platform::DialogChange& change) {
    return change.kind == platform::DialogChangeKind::ProgressPosition ||
           (change.kind == platform::DialogChangeKind::Text && change.controlId == kProgressText);
}

// A lock of the process's own, held for the life of the object.
class Lock {
public:
    explicit Lock(HANDLE mutex) : mutex_(mutex) { WaitForSingleObject(mutex_, INFINITE); }
    ~Lock() { ReleaseMutex(mutex_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    HANDLE mutex_;
};

} // namespace

struct RemoteFrontEnd::Channel {
    Channel(HANDLE from, HANDLE to) : fromWindow(from), toWindow(to) {}

    const HANDLE fromWindow;
    const HANDLE toWindow;
    const HANDLE lock = CreateMutexA(nullptr, FALSE, nullptr);
    // Frames not yet written, guarded by lock.
    std::deque<std::string> unsent;
    std::size_t unsentBytes = 0;
    const HANDLE unsentArrived = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    // Set while nothing is left to write.
    const HANDLE drained = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    std::atomic<bool> lost{false};

    const HANDLE greeted = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> windowVersion{0};
    const HANDLE dialogOpened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HWND> dialog{nullptr};
    std::atomic<bool> checking{false};
    // Set when the dialog's thread takes a message the reader posted.
    const HANDLE taken = CreateEventA(nullptr, FALSE, FALSE, nullptr);

    void Send(const std::string& frame);
    // The window broke the protocol or went: nothing more is sent to it.
    // False when it was lost before.
    bool MarkLost(const char* why);
    // The same, found by the reader or the writer: the run ends as cancelled.
    void Lose(const char* why);
    // Posts message to the dialog once it exists; a Cancel or a loss that
    // the dialog's thread does not take in time ends the check.
    void Deliver(UINT message, WPARAM wParam, LPARAM lParam);
    [[noreturn]] void EndDuringCheck();
};

void RemoteFrontEnd::Channel::Send(const std::string& frame) {
    bool overflow = false;
    {
        const Lock held(lock);
        if (lost)
            return;
        overflow = unsentBytes + frame.size() > kMaxUnsentBytes;
        if (!overflow) {
            unsent.push_back(frame);
            unsentBytes += frame.size();
            ResetEvent(drained);
        }
    }
    if (overflow)
        Lose("it stopped reading");
    else
        SetEvent(unsentArrived);
}

bool RemoteFrontEnd::Channel::MarkLost(const char* why) {
    if (lost.exchange(true))
        return false;
    TraceLog(1).Format(1, "The window program is lost (%s): the run ends as cancelled", why);
    {
        const Lock held(lock);
        unsent.clear();
        unsentBytes = 0;
    }
    SetEvent(drained);
    SetEvent(greeted);
    return true;
}

void RemoteFrontEnd::Channel::Lose(const char* why) {
    if (MarkLost(why))
        Deliver(kActLost, 0, 0);
}

void RemoteFrontEnd::Channel::Deliver(UINT message, WPARAM wParam, LPARAM lParam) {
    WaitForSingleObject(dialogOpened, INFINITE);
    const bool cancels = message == kActLost || (message == kActClick && wParam == IDCANCEL);
    ResetEvent(taken);
    if (!PostMessageA(dialog, message, wParam, lParam) || !cancels)
        return;
    if (WaitForSingleObject(taken, kCancelGraceMs) == WAIT_TIMEOUT && checking)
        EndDuringCheck();
}

void RemoteFrontEnd::Channel::EndDuringCheck() {
    TraceLog(1).Format(1, "Cancelled during the update check: the run ends there");
    if (!lost) {
        Send(EncodeFrame(ViewMessage{ViewEnd{}}));
        WaitForSingleObject(drained, kDrainMs);
    }
    ExitProcess(kExitEndedByUser);
}

namespace {

using Channel = RemoteFrontEnd::Channel;

// The thread that reads the window's messages.
DWORD ReadFromWindow(LPVOID parameter) {
    const std::unique_ptr<std::shared_ptr<Channel>> owned(
        static_cast<std::shared_ptr<Channel>*>(parameter));
    Channel& channel = **owned;
    std::string payload;
    for (;;) {
        switch (ReceiveFrame(channel.fromWindow, payload)) {
        case FrameStatus::Received:
            break;
        case FrameStatus::Closed:
            channel.Lose("it closed its pipe");
            return 0;
        case FrameStatus::Broken:
            channel.Lose("its pipe broke inside a message");
            return 0;
        case FrameStatus::TooLong:
            channel.Lose("a message too long or empty");
            return 0;
        }
        const std::optional<ActMessage> act = ParseActMessage(payload);
        const bool greeting = act && std::holds_alternative<ActHello>(*act);
        if (!act || greeting == (channel.windowVersion != 0)) {
            channel.Lose(act ? "a greeting out of place" : "a message that is no act");
            return 0;
        }
        if (const auto* hello = std::get_if<ActHello>(&*act)) {
            channel.windowVersion = hello->version;
            SetEvent(channel.greeted);
        } else if (const auto* click = std::get_if<ActClick>(&*act)) {
            channel.Deliver(kActClick, static_cast<WPARAM>(click->button), 0);
        } else if (const auto* answer = std::get_if<ActAnswer>(&*act)) {
            channel.Deliver(kActAnswer, answer->question, answer->button);
        } else if (const auto* choose = std::get_if<ActChoose>(&*act)) {
            channel.Deliver(kActChoose, choose->question, static_cast<LPARAM>(choose->index));
        }
    }
}

// The thread that writes to the window, so that the dialog never waits on it.
DWORD WriteToWindow(LPVOID parameter) {
    const std::unique_ptr<std::shared_ptr<Channel>> owned(
        static_cast<std::shared_ptr<Channel>*>(parameter));
    Channel& channel = **owned;
    for (;;) {
        WaitForSingleObject(channel.unsentArrived, INFINITE);
        for (;;) {
            std::string frame;
            {
                const Lock held(channel.lock);
                if (channel.unsent.empty()) {
                    SetEvent(channel.drained);
                    break;
                }
                frame = std::move(channel.unsent.front());
                channel.unsent.pop_front();
                channel.unsentBytes -= frame.size();
            }
            if (!SendFrame(channel.toWindow, frame)) {
                channel.Lose("its pipe is closed");
                return 0;
            }
        }
    }
}

bool StartThread(LPTHREAD_START_ROUTINE routine, const std::shared_ptr<Channel>& channel) {
    auto* parameter = new std::shared_ptr<Channel>(channel);
    const HANDLE thread = CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
    if (thread == nullptr) {
        delete parameter;
        return false;
    }
    CloseHandle(thread);
    return true;
}

} // namespace

RemoteFrontEnd::RemoteFrontEnd(HANDLE fromWindow, HANDLE toWindow)
    : channel_(std::make_shared<Channel>(fromWindow, toWindow)) {}

RemoteFrontEnd::~RemoteFrontEnd() {
    // A reader still waiting for the dialog posts nowhere now.
    SetEvent(channel_->dialogOpened);
    CloseHandle(channel_->fromWindow);
    CloseHandle(channel_->toWindow);
}

bool RemoteFrontEnd::Connect(LANGID language, DWORD timeoutMs, std::string& why) {
    if (!StartThread(WriteToWindow, channel_) || !StartThread(ReadFromWindow, channel_)) {
        why = "no thread could be started to talk to it";
        return false;
    }
    channel_->Send(EncodeFrame(ViewMessage{ViewHello{kFrontEndProtocolVersion, language}}));
    if (WaitForSingleObject(channel_->greeted, timeoutMs) != WAIT_OBJECT_0) {
        why = "it did not answer";
    } else if (channel_->windowVersion == 0) {
        why = "it ended or broke the protocol before it answered";
    } else if (channel_->windowVersion != kFrontEndProtocolVersion) {
        why = "it speaks protocol version " + std::to_string(channel_->windowVersion.load()) +
              ", not " + std::to_string(kFrontEndProtocolVersion);
    } else {
        return true;
    }
    channel_->lost = true;
    return false;
}

void RemoteFrontEnd::DialogOpened(CQVUUpdateDlg& dialog) {
    const HWND handle = dialog.GetSafeHwnd();
    platform::SetDialogListener(
        handle, [this](const platform::DialogChange& change) { ShowChange(change); });
    channel_->dialog = handle;
    SetEvent(channel_->dialogOpened);
}

void RemoteFrontEnd::ShowChange(const platform::DialogChange& change) {
    if (!IsProgress(change)) {
        // In order: what was held back goes first.
        SendHeldProgress();
        SendChange(change);
        return;
    }
    const auto same =
        std::find_if(heldProgress_.begin(), heldProgress_.end(), [&](const auto& held) {
            return held.controlId == change.controlId && held.kind == change.kind;
        });
    if (same != heldProgress_.end())
        *same = change;
    else
        heldProgress_.push_back(change);
    if (GetTickCount() - progressSentAt_ >= kProgressIntervalMs)
        SendHeldProgress();
}

void RemoteFrontEnd::SendChange(const platform::DialogChange& change) {
    channel_->Send(
        EncodeFrame(ViewMessage{ViewChange{change.controlId, change.kind, change.control}}));
}

void RemoteFrontEnd::SendHeldProgress() {
    for (const platform::DialogChange& change : heldProgress_)
        SendChange(change);
    if (!heldProgress_.empty())
        progressSentAt_ = GetTickCount();
    heldProgress_.clear();
}

bool RemoteFrontEnd::WaitForMessage(CQVUUpdateDlg& dialog, MSG& message) {
    if (heldProgress_.empty())
        return UpdateFrontEnd::WaitForMessage(dialog, message);
    const DWORD since = GetTickCount() - progressSentAt_;
    const DWORD wait = since >= kProgressIntervalMs ? 0 : kProgressIntervalMs - since;
    if (platform::GetWindowMessage(dialog.GetSafeHwnd(), &message, wait))
        return true;
    SendHeldProgress();
    return false;
}

int RemoteFrontEnd::Ask(CQVUUpdateDlg& dialog, const std::string& frame, unsigned question) {
    SendHeldProgress();
    channel_->Send(frame);
    dialog.RunModalLoop([this, question] { return questions_.at(question).answer != 0; });
    const int answer = questions_.at(question).answer;
    questions_.erase(question);
    return answer;
}

int RemoteFrontEnd::ShowMessageBox(CQVUUpdateDlg& dialog, const std::string& text,
                                   const std::string& caption, UINT type) {
    const unsigned question = ++lastQuestion_;
    questions_[question] = Question{Question::Box, MessageBoxButtonIds(type), 0};
    const int answer =
        Ask(dialog, EncodeFrame(ViewMessage{ViewBox{question, type, caption, text}}), question);
    // A box whose dialog ended meanwhile closes with its last button.
    return answer != 0 ? answer : DismissingMessageBoxButton(type);
}

std::size_t RemoteFrontEnd::ChooseProduct(CQVUUpdateDlg& dialog, const ProductChoice& choice) {
    ViewChoice shown{
        ++lastQuestion_, choice.Caption(), choice.Prompt(), choice.PreselectedIndex(), {}};
    for (const ProductChoiceEntry& entry : choice.Entries())
        shown.entries.push_back(entry.name);
    std::vector<int> indexes(shown.entries.size());
    for (std::size_t i = 0; i < indexes.size(); ++i)
        indexes[i] = static_cast<int>(i) + 1;
    questions_[shown.question] = Question{Question::Choice, indexes, 0};
    const int answer = Ask(dialog, EncodeFrame(ViewMessage{shown}), shown.question);
    return answer != 0 ? static_cast<std::size_t>(answer - 1) : choice.PreselectedIndex();
}

void RemoteFrontEnd::ShowNote(CQVUUpdateDlg& /*dialog*/, const std::string& text,
                              const std::string& caption) {
    channel_->Send(EncodeFrame(ViewMessage{ViewNote{caption, text}}));
}

void RemoteFrontEnd::OpenBrowser(CQVUUpdateDlg& /*dialog*/, const std::string& address,
                                 const std::string& /*caption*/) {
    if (IsWebAddress(address))
        channel_->Send(EncodeFrame(ViewMessage{ViewBrowse{address}}));
}

void RemoteFrontEnd::UpdateCheckRunning(CQVUUpdateDlg& /*dialog*/, bool running) {
    channel_->checking = running;
}

void RemoteFrontEnd::HandleFrontEndMessage(CQVUUpdateDlg& dialog, const MSG& message) {
    SetEvent(channel_->taken);
    switch (message.message) {
    case kActClick:
        // Input to the dialog is refused while a box or the choice is open.
        if (questions_.empty())
            PressDialogButton(dialog.GetSafeHwnd(), static_cast<int>(message.wParam));
        return;
    case kActAnswer:
    case kActChoose:
        if (!TakeAnswer(message) && channel_->MarkLost("an answer to no question it was asked"))
            dialog.AbandonRun();
        return;
    case kActLost:
        dialog.AbandonRun();
        return;
    default:
        return;
    }
}

bool RemoteFrontEnd::TakeAnswer(const MSG& message) {
    const auto question = static_cast<unsigned>(message.wParam);
    const auto open = questions_.find(question);
    if (open == questions_.end()) {
        // A question closed meanwhile (its dialog ended) is answered too late;
        // one never asked is no answer at all.
        return question != 0 && question <= lastQuestion_;
    }
    Question& asked = open->second;
    const bool isBox = message.message == kActAnswer;
    const int value = static_cast<int>(isBox ? message.lParam : message.lParam + 1);
    if (isBox != (asked.kind == Question::Box) ||
        std::find(asked.answers.begin(), asked.answers.end(), value) == asked.answers.end())
        return false;
    asked.answer = value;
    return true;
}

void RemoteFrontEnd::DialogClosed(CQVUUpdateDlg& dialog) {
    platform::SetDialogListener(dialog.GetSafeHwnd(), {});
    SendHeldProgress();
    channel_->Send(EncodeFrame(ViewMessage{ViewEnd{}}));
    WaitForSingleObject(channel_->drained, kDrainMs);
}
