#include "platform/window_queue.h"

#include "platform/dialog_controls.h"
#include "platform/errors.h"
#include "platform/sync/kernel_objects.h"
#include "platform/time.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// How long a reader lets fast messages gather (GetWindowMessage).
constexpr auto kGatherTime = std::chrono::milliseconds(1);

// Window handles share the kernel's handle table, whose values are never
// reused; the type check keeps a file handle from passing for a window.
struct WindowQueue : platform::KernelObject {
    std::mutex lock;
    std::condition_variable arrived;
    std::deque<MSG> messages;
    bool destroyed = false;
    // When the reader last took a message.
    Clock::time_point lastTaken;
};

std::shared_ptr<WindowQueue> FindWindow(HWND window) {
    return platform::FindKernelObjectAs<WindowQueue>(reinterpret_cast<HANDLE>(window));
}

BOOL InvalidWindow() {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

// Takes the front message; the queue's lock is held.
bool TakeFront(WindowQueue& queue, MSG* message) {
    if (queue.destroyed || queue.messages.empty())
        return false;
    *message = queue.messages.front();
    queue.messages.pop_front();
    queue.lastTaken = Clock::now();
    return true;
}

// When the reader took a message a moment ago and the queue is empty, waits
// a millisecond before the reader sleeps: messages that pour in (a download
// posts one per block) then wake it about a thousand times a second, not
// once each, which would cost the poster as much as its own work.
void Gather(WindowQueue& queue) {
    {
        std::lock_guard<std::mutex> guard(queue.lock);
        if (queue.destroyed || !queue.messages.empty() ||
            Clock::now() - queue.lastTaken >= kGatherTime)
            return;
    }
    std::this_thread::sleep_for(kGatherTime);
}

} // namespace

BOOL IsWindow(HWND window) {
    return FindWindow(window) ? TRUE : FALSE;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const std::shared_ptr<WindowQueue> queue = FindWindow(window);
    if (!queue)
        return InvalidWindow();
    bool wasEmpty = false;
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        // Destroyed between the lookup and now: the post is lost, as for a gone window.
        if (queue->destroyed)
            return InvalidWindow();
        // A reader only sleeps on an empty queue.
        wasEmpty = queue->messages.empty();
        queue->messages.push_back(MSG{window, message, wParam, lParam, GetTickCount()});
    }
    if (wasEmpty)
        queue->arrived.notify_one();
    return TRUE;
}

BOOL DestroyWindow(HWND window) {
    const std::shared_ptr<WindowQueue> queue = FindWindow(window);
    if (!queue || !platform::UnregisterKernelObject(reinterpret_cast<HANDLE>(window)))
        return InvalidWindow();
    {
        std::lock_guard<std::mutex> guard(queue->lock);
        queue->destroyed = true;
        queue->messages.clear();
    }
    queue->arrived.notify_all();
    platform::ForgetDialogControls(window);
    return TRUE;
}

namespace platform {

HWND CreateWindowQueue() {
    return reinterpret_cast<HWND>(RegisterKernelObject(std::make_shared<WindowQueue>()));
}

bool GetWindowMessage(HWND window, MSG* message, DWORD timeoutMs) {
    const std::shared_ptr<WindowQueue> queue = FindWindow(window);
    if (!queue)
        return InvalidWindow();
    if (timeoutMs >= kGatherTime.count())
        Gather(*queue);
    std::unique_lock<std::mutex> guard(queue->lock);
    queue->arrived.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                            [&] { return queue->destroyed || !queue->messages.empty(); });
    return TakeFront(*queue, message);
}

bool PeekWindowMessage(HWND window, MSG* message) {
    const std::shared_ptr<WindowQueue> queue = FindWindow(window);
    if (!queue)
        return InvalidWindow();
    std::lock_guard<std::mutex> guard(queue->lock);
    return TakeFront(*queue, message);
}

} // namespace platform
