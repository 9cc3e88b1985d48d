// KxString: direct access to the character buffer, locking and emptying.
#include "base/KxString.h"

#include <algorithm>
#include <cstring>

char* KxString::GetBuffer(int minimumCapacity) {
    minimumCapacity = std::max(minimumCapacity, 0);
    if (GetRefs() > 1 || minimumCapacity > GetAllocLength())
        Reallocate(std::max(minimumCapacity, GetLength()));
    return m_pchData;
}

// length -1 takes the zero-terminated text; lengths beyond the capacity are
// cut to it, so the terminator always lands inside the buffer.
void KxString::ReleaseBuffer(int length) {
    CopyBeforeWrite();
    const int capacity = GetAllocLength();
    if (length < 0) {
        const void* zero = std::memchr(m_pchData, 0, static_cast<std::size_t>(capacity));
        length = zero ? static_cast<int>(static_cast<const char*>(zero) - m_pchData) : capacity;
    }
    SetLength(std::min(length, capacity));
}

char* KxString::GetBufferSetLength(int length) {
    length = std::max(length, 0);
    GetBuffer(length);
    SetLength(length);
    return m_pchData;
}

void KxString::FreeExtra() {
    if (GetLength() != GetAllocLength())
        Reallocate(GetLength());
}

// The empty buffer is shared by all and is never locked: an empty string
// stays on it, which is safe because copies of it are never shared anyway.
char* KxString::LockBuffer() {
    char* text = GetBuffer(0);
    if (!IsEmptyBuffer())
        SetRefs(-1);
    return text;
}

// Only a locked buffer is unlocked: a shared one keeps its count.
void KxString::UnlockBuffer() {
    if (GetRefs() == -1)
        SetRefs(1);
}

void KxString::Empty() {
    if (GetLength() == 0)
        return;
    if (GetRefs() == -1)
        SetLength(0);
    else
        Release();
}
