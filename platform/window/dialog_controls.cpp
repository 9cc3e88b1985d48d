#include "platform/dialog_controls.h"

#include "platform/errors.h"
#include "platform/window/dialog_controls_table.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <mutex>
#include <utility>

namespace {

using platform::DialogChange;
using platform::DialogChangeKind;
using platform::DialogControlState;
using platform::DialogListener;

struct DialogRecord {
    DialogControlState window; // its text is the caption
    std::map<int, DialogControlState> controls;
    std::map<int, HWND> handles;
    DialogListener listener;
};

struct ControlAddress {
    HWND dialog;
    int controlId;
};

constexpr std::uintptr_t kFirstControlHandle = 0x40000002;

struct ControlTable {
    std::mutex lock;
    std::map<HWND, DialogRecord> dialogs;
    std::map<HWND, ControlAddress> controls; // the handles from GetDlgItem
    std::uintptr_t nextHandle = kFirstControlHandle;
};

// Control handles lie two above a multiple of four from kFirstControlHandle
// on: never a kernel object's handle, and told apart from dialogs even once
// stale, so that a stale one never starts a dialog of its own.
bool IsDialogHandle(HWND window) {
    const auto value = reinterpret_cast<std::uintptr_t>(window);
    return window != nullptr && (value < kFirstControlHandle || value % 4 != 2);
}

ControlTable& Table() {
    // Never destroyed: a worker thread may still touch a control at exit.
    static auto* table = new ControlTable();
    return *table;
}

using Locate = std::function<std::optional<ControlAddress>(const ControlTable&)>;

// The one way to change the table: the listener hears of a change only after
// the lock is released, so that it may read the model again.
bool Edit(const Locate& locate, DialogChangeKind kind,
          const platform::dialog_table::ControlEdit& edit) {
    ControlTable& table = Table();
    DialogListener listener;
    DialogChange change{};
    {
        std::lock_guard<std::mutex> guard(table.lock);
        const std::optional<ControlAddress> address = locate(table);
        if (!address)
            return false;
        DialogRecord& record = table.dialogs[address->dialog];
        DialogControlState& state =
            kind == DialogChangeKind::Caption ? record.window : record.controls[address->controlId];
        if (!edit(state) || !record.listener)
            return true;
        listener = record.listener;
        change = DialogChange{address->dialog, address->controlId, kind, state};
    }
    listener(change);
    return true;
}

std::optional<ControlAddress> FindControl(const ControlTable& table, HWND control) {
    const auto found = table.controls.find(control);
    if (found == table.controls.end())
        return std::nullopt;
    return found->second;
}

platform::dialog_table::ControlEdit SetText(LPCSTR text) {
    return [value = std::string(text ? text : "")](DialogControlState& state) {
        return std::exchange(state.text, value) != value;
    };
}

UINT CopyText(const std::string& text, LPSTR buffer, int maxCount) {
    if (buffer == nullptr || maxCount <= 0)
        return 0;
    const std::size_t copied = std::min(text.size(), static_cast<std::size_t>(maxCount) - 1);
    text.copy(buffer, copied);
    buffer[copied] = '\0';
    return static_cast<UINT>(copied);
}

BOOL InvalidWindow() {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

} // namespace

namespace platform::dialog_table {

bool EditControl(HWND dialog, int controlId, DialogChangeKind kind, const ControlEdit& edit) {
    return Edit(
        [dialog, controlId](const ControlTable&) -> std::optional<ControlAddress> {
            if (!IsDialogHandle(dialog))
                return std::nullopt;
            return ControlAddress{dialog, controlId};
        },
        kind, edit);
}

bool EditControl(HWND control, DialogChangeKind kind, const ControlEdit& edit) {
    return Edit([control](const ControlTable& table) { return FindControl(table, control); }, kind,
                edit);
}

std::optional<DialogControlState> ReadControl(HWND control) {
    ControlTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    const std::optional<ControlAddress> address = FindControl(table, control);
    if (!address)
        return std::nullopt;
    return table.dialogs.at(address->dialog).controls.at(address->controlId);
}

} // namespace platform::dialog_table

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
    if (controls == nullptr || controls->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text) {
    if (!platform::dialog_table::EditControl(dialog, controlId, DialogChangeKind::Text,
                                             SetText(text)))
        return InvalidWindow();
    return TRUE;
}

UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR buffer, int maxCount) {
    if (buffer != nullptr && maxCount > 0)
        buffer[0] = '\0';
    if (dialog == nullptr)
        return InvalidWindow();
    ControlTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    const auto record = table.dialogs.find(dialog);
    if (record == table.dialogs.end() || !record->second.controls.contains(controlId)) {
        SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
        return 0;
    }
    return CopyText(record->second.controls.at(controlId).text, buffer, maxCount);
}

HWND GetDlgItem(HWND dialog, int controlId) {
    if (!IsDialogHandle(dialog)) {
        InvalidWindow();
        return nullptr;
    }
    ControlTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    DialogRecord& record = table.dialogs[dialog];
    record.controls.try_emplace(controlId);
    const auto [entry, created] = record.handles.try_emplace(controlId, nullptr);
    if (created) {
        entry->second = reinterpret_cast<HWND>(table.nextHandle);
        table.nextHandle += 4;
        table.controls.emplace(entry->second, ControlAddress{dialog, controlId});
    }
    return entry->second;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    const bool set =
        IsDialogHandle(window)
            ? platform::dialog_table::EditControl(window, 0, DialogChangeKind::Caption,
                                                  SetText(text))
            : platform::dialog_table::EditControl(window, DialogChangeKind::Text, SetText(text));
    return set ? TRUE : InvalidWindow();
}

int GetWindowTextA(HWND window, LPSTR buffer, int maxCount) {
    if (buffer != nullptr && maxCount > 0)
        buffer[0] = '\0';
    if (const std::optional<DialogControlState> control =
            platform::dialog_table::ReadControl(window))
        return static_cast<int>(CopyText(control->text, buffer, maxCount));
    ControlTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    const auto record = table.dialogs.find(window);
    if (record == table.dialogs.end())
        return 0;
    return static_cast<int>(CopyText(record->second.window.text, buffer, maxCount));
}

namespace platform {

void SetDialogListener(HWND dialog, DialogListener listener) {
    if (!IsDialogHandle(dialog))
        return;
    ControlTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    table.dialogs[dialog].listener = std::move(listener);
}

DialogState DialogSnapshot(HWND dialog) {
    ControlTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    const auto record = table.dialogs.find(dialog);
    if (record == table.dialogs.end())
        return {};
    return DialogState{record->second.window.text, record->second.controls};
}

void ForgetDialogControls(HWND dialog) {
    ControlTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    const auto record = table.dialogs.find(dialog);
    if (record == table.dialogs.end())
        return;
    for (const auto& [controlId, handle] : record->second.handles)
        table.controls.erase(handle);
    table.dialogs.erase(record);
}

} // namespace platform
