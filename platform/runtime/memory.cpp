#include "platform/memory.h"

#include "platform/errors.h"

#include <cstdlib>

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes) {
    void* memory = (flags & LMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1)
                                           : std::malloc(bytes ? bytes : 1);
    if (memory == nullptr)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return memory;
}

HLOCAL LocalFree(HLOCAL memory) {
    std::free(memory);
    return nullptr;
}
