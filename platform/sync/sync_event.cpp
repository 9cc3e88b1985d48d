// Events: a signalled flag under a std::mutex, local to the process.
#include "platform/errors.h"
#include "platform/sync/sync_objects.h"

namespace {

class EventState {
public:
    EventState(bool manualReset, bool signalled)
        : manualReset_(manualReset), signalled_(signalled) {}

    DWORD Wait(const platform::Deadline& deadline) {
        std::unique_lock<std::mutex> lock(lock_);
        if (!platform::WaitUntil(changed_, lock, deadline, [this] { return signalled_; }))
            return WAIT_TIMEOUT;
        if (!manualReset_)
            signalled_ = false; // this waiter takes the signal
        return WAIT_OBJECT_0;
    }

    void Set() {
        std::lock_guard<std::mutex> guard(lock_);
        signalled_ = true;
        if (manualReset_)
            changed_.notify_all();
        else
            changed_.notify_one();
    }

    void Reset() {
        std::lock_guard<std::mutex> guard(lock_);
        signalled_ = false;
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    const bool manualReset_;
    bool signalled_;
};

struct EventObject : platform::Waitable {
    explicit EventObject(std::shared_ptr<EventState> event) : state(std::move(event)) {}
    DWORD Wait(const platform::Deadline& deadline) override { return state->Wait(deadline); }
    std::shared_ptr<EventState> state;
};

platform::NamedObjects<EventState>& NamedEvents() {
    static auto* events = new platform::NamedObjects<EventState>();
    return *events;
}

std::shared_ptr<EventState> FindEvent(HANDLE event) {
    const auto object = platform::FindKernelObjectAs<EventObject>(event);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return object->state;
}

} // namespace

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
    const auto make = [&] { return std::make_shared<EventState>(manualReset, initialState); };
    bool existed = false;
    const std::shared_ptr<EventState> state =
        (name && *name) ? NamedEvents().FindOrMake(name, existed, make) : make();
    HANDLE handle = platform::RegisterKernelObject(std::make_shared<EventObject>(state));
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL SetEvent(HANDLE event) {
    const auto state = FindEvent(event);
    if (!state)
        return FALSE;
    state->Set();
    return TRUE;
}

BOOL ResetEvent(HANDLE event) {
    const auto state = FindEvent(event);
    if (!state)
        return FALSE;
    state->Reset();
    return TRUE;
}
