// KxString: buffers, sharing, construction and assignment.
#include "base/KxString.h"

#include <atomic>
#include <cstring>
#include <functional>
#include <new>
#include <stdexcept>

namespace {

// The one buffer every empty string points to; never counted, written or freed.
struct EmptyBuffer {
    KxStringData header;
    char text[1];
};
constinit EmptyBuffer emptyBuffer{{-2, 0, 0}, {0}};

std::atomic_ref<std::int32_t> RefCount(KxStringData* data) {
    return std::atomic_ref<std::int32_t>(data->nRefs);
}

std::int32_t RefsOf(KxStringData* data) {
    return RefCount(data).load(std::memory_order_acquire);
}

bool IsShared(KxStringData* data) {
    return RefsOf(data) > 1;
}

} // namespace

// --- internals --------------------------------------------------------------

void KxString::Init() {
    m_pchData = emptyBuffer.text;
}

bool KxString::IsEmptyBuffer() const {
    return m_pchData == emptyBuffer.text;
}

std::int32_t KxString::GetRefs() const {
    return RefsOf(GetData());
}

void KxString::SetRefs(std::int32_t refs) {
    RefCount(GetData()).store(refs);
}

int KxString::CheckedLength(std::size_t size) {
    if (size > static_cast<std::size_t>(INT32_MAX))
        throw std::length_error("KxString: text too long");
    return static_cast<int>(size);
}

int KxString::SafeStrlen(const char* text) {
    return text ? CheckedLength(std::strlen(text)) : 0;
}

// A new buffer of exactly length characters; the empty buffer for 0.
void KxString::AllocBuffer(int length) {
    if (length < 0)
        throw std::length_error("KxString: negative length");
    if (length == 0) {
        Init();
        return;
    }
    auto* data = static_cast<KxStringData*>(
        ::operator new(sizeof(KxStringData) + static_cast<std::size_t>(length) + 1));
    data->nRefs = 1;
    data->nDataLength = length;
    data->nAllocLength = length;
    data->data()[length] = '\0';
    m_pchData = data->data();
}

void KxString::Release(KxStringData* data) {
    if (data == &emptyBuffer.header)
        return;
    if (RefCount(data).fetch_sub(1, std::memory_order_acq_rel) - 1 <= 0)
        ::operator delete(data);
}

void KxString::Release() {
    Release(GetData());
    Init();
}

// Takes a private copy of a shared buffer. The copy is made before the
// reference is dropped: once dropped, the last other owner may free it.
void KxString::CopyBeforeWrite() {
    if (IsShared(GetData()))
        Reallocate(GetLength());
}

// Moves the text into a new buffer of exactly capacity (at least the length)
// and then lets go of the old one.
void KxString::Reallocate(int capacity) {
    KxStringData* old = GetData();
    const int length = old->nDataLength;
    AllocBuffer(capacity);
    if (length > 0)
        std::memcpy(m_pchData, old->data(), static_cast<std::size_t>(length));
    SetLength(length);
    Release(old);
}

void KxString::AllocBeforeWrite(int length) {
    KxStringData* data = GetData();
    if (!IsShared(data) && length <= data->nAllocLength)
        return;
    Release();
    AllocBuffer(length);
}

void KxString::AllocCopy(KxString& dest, int copyLength, int copyIndex, int extraLength) const {
    const int length = copyLength + extraLength;
    if (length == 0) {
        dest.Init();
        return;
    }
    dest.AllocBuffer(length);
    std::memcpy(dest.m_pchData, m_pchData + copyIndex, static_cast<std::size_t>(copyLength));
}

// Stores length and terminator; the empty buffer only ever holds length 0.
void KxString::SetLength(int length) {
    if (IsEmptyBuffer())
        return;
    GetData()->nDataLength = length;
    m_pchData[length] = '\0';
}

void KxString::AssignCopy(int length, const char* text) {
    const std::less_equal<const char*> atOrBefore;
    if (length > 0 && atOrBefore(m_pchData, text) && atOrBefore(text, m_pchData + GetLength())) {
        // The text lies in this string's own buffer: keep it alive while copying.
        const KxString source(text, length);
        AssignCopy(length, source.m_pchData);
        return;
    }
    AllocBeforeWrite(length);
    if (length > 0)
        std::memcpy(m_pchData, text, static_cast<std::size_t>(length));
    SetLength(length);
}

void KxString::ConcatCopy(int length1, const char* text1, int length2, const char* text2) {
    if (length1 > INT32_MAX - length2)
        throw std::length_error("KxString: text too long");
    AllocBuffer(length1 + length2);
    if (length1 > 0)
        std::memcpy(m_pchData, text1, static_cast<std::size_t>(length1));
    if (length2 > 0)
        std::memcpy(m_pchData + length1, text2, static_cast<std::size_t>(length2));
}

void KxString::ConcatInPlace(int length, const char* text) {
    if (length == 0)
        return;
    KxStringData* data = GetData();
    if (!IsShared(data) &&
        data->nDataLength + static_cast<std::int64_t>(length) <= data->nAllocLength) {
        std::memmove(m_pchData + data->nDataLength, text, static_cast<std::size_t>(length));
        SetLength(data->nDataLength + length);
        return;
    }
    // The old buffer stays alive until the copy is made, so text may lie in it.
    ConcatCopy(data->nDataLength, data->data(), length, text);
    Release(data);
}

// --- construction -----------------------------------------------------------

KxString::KxString() {
    Init();
}

KxString::KxString(const KxString& source) {
    KxStringData* data = source.GetData();
    if (RefsOf(data) >= 0) {
        RefCount(data).fetch_add(1, std::memory_order_relaxed);
        m_pchData = source.m_pchData;
        return;
    }
    // Locked buffers are never shared; the empty buffer gives the empty string.
    Init();
    AssignCopy(data->nDataLength, source.m_pchData);
}

KxString::KxString(const char* text) : KxString(text, SafeStrlen(text)) {}

KxString::KxString(const unsigned char* text) : KxString(reinterpret_cast<const char*>(text)) {}

KxString::KxString(char ch, int repeat) {
    Init();
    if (repeat <= 0)
        return;
    AllocBuffer(repeat);
    std::memset(m_pchData, ch, static_cast<std::size_t>(repeat));
}

// A null text or a negative length gives the empty string.
KxString::KxString(const char* text, int length) {
    Init();
    if (text && length > 0)
        AssignCopy(length, text);
}

KxString::KxString(const std::string& text) : KxString(std::string_view(text)) {}

KxString::KxString(std::string_view text) {
    Init();
    AssignCopy(CheckedLength(text.size()), text.data());
}

KxString::~KxString() {
    Release(GetData());
}

// --- assignment -------------------------------------------------------------

KxString& KxString::operator=(const KxString& source) {
    if (m_pchData == source.m_pchData)
        return *this;
    KxStringData* mine = GetData();
    KxStringData* theirs = source.GetData();
    if ((RefsOf(mine) < 0 && !IsEmptyBuffer()) || RefsOf(theirs) < 0) {
        AssignCopy(theirs->nDataLength, source.m_pchData);
        return *this;
    }
    RefCount(theirs).fetch_add(1, std::memory_order_relaxed);
    Release();
    m_pchData = source.m_pchData;
    return *this;
}

KxString& KxString::operator=(const char* text) {
    AssignCopy(SafeStrlen(text), text);
    return *this;
}

KxString& KxString::operator=(const unsigned char* text) {
    return *this = reinterpret_cast<const char*>(text);
}

KxString& KxString::operator=(char ch) {
    AssignCopy(1, &ch);
    return *this;
}

KxString& KxString::operator=(const std::string& text) {
    return *this = std::string_view(text);
}

KxString& KxString::operator=(std::string_view text) {
    AssignCopy(CheckedLength(text.size()), text.data());
    return *this;
}

const KxString& KxGetEmptyString() {
    static const KxString empty;
    return empty;
}
