#include "frontends/console/ConsoleInput.h"

#include "platform/window_queue.h"

#include <deque>
#include <iostream>
#include <mutex>
#include <thread>

namespace {

// Shared by the reader and the dialog's thread. Never freed: the reader may
// still wait in std::getline when the program ends.
struct PendingLines {
    std::mutex lock;
    std::deque<std::string> lines;
    bool ended = false;
};

PendingLines& Pending() {
    static auto* pending = new PendingLines();
    return *pending;
}

void ReadLines(HWND window) {
    PendingLines& pending = Pending();
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        {
            const std::lock_guard<std::mutex> guard(pending.lock);
            pending.lines.push_back(line);
        }
        PostMessageA(window, kConsoleLineMessage, 0, 0);
    }
    {
        const std::lock_guard<std::mutex> guard(pending.lock);
        pending.ended = true;
    }
    PostMessageA(window, kConsoleEndMessage, 0, 0);
}

} // namespace

void ConsoleInput::Start(HWND window) {
    std::thread(ReadLines, window).detach();
}

ConsoleLine ConsoleInput::TakeLine(std::string& line) {
    PendingLines& pending = Pending();
    const std::lock_guard<std::mutex> guard(pending.lock);
    if (pending.lines.empty())
        return pending.ended ? ConsoleLine::EndOfInput : ConsoleLine::NoneYet;
    line = std::move(pending.lines.front());
    pending.lines.pop_front();
    return ConsoleLine::Taken;
}
