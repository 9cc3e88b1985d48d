// Answers every message box with one button and records what was shown.
#pragma once

#include "platform/window.h"

#include <mutex>
#include <string>
#include <vector>

namespace qvutest {

class MessageBoxRecorder {
public:
    struct Box {
        std::string text;
        std::string caption;
        UINT type = 0;
    };

    explicit MessageBoxRecorder(int answer = IDOK) {
        platform::SetMessageBoxHandler(
            [this, answer](HWND, const char* text, const char* caption, UINT type) {
                const std::lock_guard<std::mutex> lock(mutex_);
                boxes_.push_back({text ? text : "", caption ? caption : "", type});
                return answer;
            });
    }
    ~MessageBoxRecorder() { platform::SetMessageBoxHandler({}); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    std::vector<Box> Boxes() const {
        const std::lock_guard<std::mutex> lock(mutex_);
        return boxes_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Box> boxes_;
};

} // namespace qvutest
