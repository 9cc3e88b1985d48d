#include "platform/handles.h"

#include "platform/errors.h"
#include "platform/sync/kernel_objects.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <shared_mutex>

namespace platform {

namespace {

// Every file write, read and message post looks its handle up: lookups
// share the table, only registering and removing take it alone.
std::shared_mutex tableLock;
std::map<std::uintptr_t, std::shared_ptr<KernelObject>>& Table() {
    static auto* table = new std::map<std::uintptr_t, std::shared_ptr<KernelObject>>();
    return *table;
}
std::uintptr_t nextHandle = 0x100;

} // namespace

HANDLE RegisterKernelObject(std::shared_ptr<KernelObject> object) {
    std::lock_guard<std::shared_mutex> guard(tableLock);
    const std::uintptr_t value = nextHandle;
    nextHandle += 4; // multiples of 4, as Windows hands them out
    Table().emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> FindKernelObject(HANDLE handle) {
    std::shared_lock<std::shared_mutex> guard(tableLock);
    auto found = Table().find(reinterpret_cast<std::uintptr_t>(handle));
    return found == Table().end() ? nullptr : found->second;
}

bool UnregisterKernelObject(HANDLE handle) {
    std::shared_ptr<KernelObject> object;
    {
        std::lock_guard<std::shared_mutex> guard(tableLock);
        auto found = Table().find(reinterpret_cast<std::uintptr_t>(handle));
        if (found == Table().end())
            return false;
        object = std::move(found->second);
        Table().erase(found);
    }
    // The object's destructor (closing a file, releasing a lock) runs outside the table lock.
    return true;
}

} // namespace platform

BOOL CloseHandle(HANDLE object) {
    if (!platform::UnregisterKernelObject(object)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
