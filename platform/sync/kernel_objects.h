// For platform/ only: the table behind HANDLE values. Each kernel object
// (file, mutex, event, thread) derives from KernelObject; a handle is a small
// number, so a stale or forged handle is refused instead of dereferenced.
#pragma once

#include "platform/win_types.h"

#include <memory>

namespace platform {

struct KernelObject {
    virtual ~KernelObject() = default;
};

HANDLE RegisterKernelObject(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> FindKernelObject(HANDLE handle);
// Removes the handle from the table; false when it was not there.
bool UnregisterKernelObject(HANDLE handle);

template <class T> std::shared_ptr<T> FindKernelObjectAs(HANDLE handle) {
    return std::dynamic_pointer_cast<T>(FindKernelObject(handle));
}

} // namespace platform
