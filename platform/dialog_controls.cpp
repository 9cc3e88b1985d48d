#include "platform/dialog_controls.h"

#include "platform/errors.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace {

using ControlKey = std::pair<HWND, int>;

struct ControlTable {
    std::mutex lock;
    std::map<ControlKey, std::string> texts;
};

ControlTable& Controls() {
    // Never destroyed: a worker thread may still touch a control at exit.
    static auto* table = new ControlTable();
    return *table;
}

} // namespace

BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text) {
    if (dialog == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    ControlTable& table = Controls();
    std::lock_guard<std::mutex> guard(table.lock);
    table.texts[{dialog, controlId}] = text ? text : "";
    return TRUE;
}

UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR buffer, int maxCount) {
    if (buffer != nullptr && maxCount > 0)
        buffer[0] = '\0';
    if (dialog == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    ControlTable& table = Controls();
    std::lock_guard<std::mutex> guard(table.lock);
    const auto found = table.texts.find({dialog, controlId});
    if (found == table.texts.end()) {
        SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
        return 0;
    }
    if (buffer == nullptr || maxCount <= 0)
        return 0;
    const std::size_t copied =
        std::min(found->second.size(), static_cast<std::size_t>(maxCount) - 1);
    found->second.copy(buffer, copied);
    buffer[copied] = '\0';
    return static_cast<UINT>(copied);
}

namespace platform {

void ForgetDialogControls(HWND dialog) {
    ControlTable& table = Controls();
    std::lock_guard<std::mutex> guard(table.lock);
    std::erase_if(table.texts, [dialog](const auto& entry) { return entry.first.first == dialog; });
}

} // namespace platform
