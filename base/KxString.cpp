// KxString: buffers, sharing, construction and assignment, direct access to the
// buffer, concatenation, and the text as 16-bit characters.
#include "base/KxString.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
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

constexpr char32_t kReplacement = 0xFFFD;

// Appends one character as UTF-16; answers the position after it.
WCHAR* AppendUtf16(WCHAR* out, char32_t ch) {
    if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF))
        ch = kReplacement;
    if (ch <= 0xFFFF) {
        *out++ = static_cast<WCHAR>(ch);
        return out;
    }
    ch -= 0x10000;
    *out++ = static_cast<WCHAR>(0xD800 + (ch >> 10));
    *out++ = static_cast<WCHAR>(0xDC00 + (ch & 0x3FF));
    return out;
}

// Converts the zero-terminated text in the current locale's multibyte encoding
// into at most room 16-bit characters, terminator included. Bytes that do not
// form a character become U+FFFD.
void Widen(const char* text, WCHAR* out, std::size_t room) {
    WCHAR* const last = out + room - 1;
    const char* const end = text + std::strlen(text);
    std::mbstate_t state{};
    while (text < end) {
        wchar_t ch = 0;
        std::size_t used = std::mbrtowc(&ch, text, static_cast<std::size_t>(end - text), &state);
        if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2)) {
            ch = static_cast<wchar_t>(kReplacement);
            used = 1;
            state = std::mbstate_t{};
        }
        const auto units = ch > 0xFFFF && ch <= 0x10FFFF ? 2 : 1;
        if (last - out < units)
            break;
        text += used;
        out = AppendUtf16(out, static_cast<char32_t>(ch));
    }
    *out = 0;
}

} // namespace

// ---- Buffers, sharing, construction and assignment ----

// --- internals --------------------------------------------------------------

void KxString::Init() {
    data_ = emptyBuffer.text;
}

bool KxString::IsEmptyBuffer() const {
    return data_ == emptyBuffer.text;
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
    data_ = data->data();
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
        std::memcpy(data_, old->data(), static_cast<std::size_t>(length));
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
    std::memcpy(dest.data_, data_ + copyIndex, static_cast<std::size_t>(copyLength));
}

// Stores length and terminator; the empty buffer only ever holds length 0.
void KxString::SetLength(int length) {
    if (IsEmptyBuffer())
        return;
    GetData()->nDataLength = length;
    data_[length] = '\0';
}

void KxString::AssignCopy(int length, const char* text) {
    const std::less_equal<const char*> atOrBefore;
    if (length > 0 && atOrBefore(data_, text) && atOrBefore(text, data_ + GetLength())) {
        // The text lies in this string's own buffer: keep it alive while copying.
        const KxString source(text, length);
        AssignCopy(length, source.data_);
        return;
    }
    AllocBeforeWrite(length);
    if (length > 0)
        std::memcpy(data_, text, static_cast<std::size_t>(length));
    SetLength(length);
}

void KxString::ConcatCopy(int length1, const char* text1, int length2, const char* text2) {
    if (length1 > INT32_MAX - length2)
        throw std::length_error("KxString: text too long");
    AllocBuffer(length1 + length2);
    if (length1 > 0)
        std::memcpy(data_, text1, static_cast<std::size_t>(length1));
    if (length2 > 0)
        std::memcpy(data_ + length1, text2, static_cast<std::size_t>(length2));
}

void KxString::ConcatInPlace(int length, const char* text) {
    if (length == 0)
        return;
    KxStringData* data = GetData();
    if (!IsShared(data) &&
        data->nDataLength + static_cast<std::int64_t>(length) <= data->nAllocLength) {
        std::memmove(data_ + data->nDataLength, text, static_cast<std::size_t>(length));
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
        data_ = source.data_;
        return;
    }
    // Locked buffers are never shared; the empty buffer gives the empty string.
    Init();
    AssignCopy(data->nDataLength, source.data_);
}

KxString::KxString(const char* text) : KxString(text, SafeStrlen(text)) {}

KxString::KxString(const unsigned char* text) : KxString(reinterpret_cast<const char*>(text)) {}

KxString::KxString(char ch, int repeat) {
    Init();
    if (repeat <= 0)
        return;
    AllocBuffer(repeat);
    std::memset(data_, ch, static_cast<std::size_t>(repeat));
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
    if (data_ == source.data_)
        return *this;
    KxStringData* mine = GetData();
    KxStringData* theirs = source.GetData();
    if ((RefsOf(mine) < 0 && !IsEmptyBuffer()) || RefsOf(theirs) < 0) {
        AssignCopy(theirs->nDataLength, source.data_);
        return *this;
    }
    RefCount(theirs).fetch_add(1, std::memory_order_relaxed);
    Release();
    data_ = source.data_;
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

// ---- Direct access to the character buffer, locking and emptying ----

char* KxString::GetBuffer(int minimumCapacity) {
    minimumCapacity = std::max(minimumCapacity, 0);
    if (GetRefs() > 1 || minimumCapacity > GetAllocLength())
        Reallocate(std::max(minimumCapacity, GetLength()));
    return data_;
}

// length -1 takes the zero-terminated text; lengths beyond the capacity are
// cut to it, so the terminator always lands inside the buffer.
void KxString::ReleaseBuffer(int length) {
    CopyBeforeWrite();
    const int capacity = GetAllocLength();
    if (length < 0) {
        const void* zero = std::memchr(data_, 0, static_cast<std::size_t>(capacity));
        length = zero ? static_cast<int>(static_cast<const char*>(zero) - data_) : capacity;
    }
    SetLength(std::min(length, capacity));
}

char* KxString::GetBufferSetLength(int length) {
    length = std::max(length, 0);
    GetBuffer(length);
    SetLength(length);
    return data_;
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

// ---- Concatenation ----

const KxString& KxString::operator+=(const char* text) {
    ConcatInPlace(SafeStrlen(text), text);
    return *this;
}

const KxString& KxString::operator+=(char ch) {
    ConcatInPlace(1, &ch);
    return *this;
}

const KxString& KxString::operator+=(const KxString& source) {
    ConcatInPlace(source.GetLength(), source.data_);
    return *this;
}

KxString operator+(const KxString& left, const KxString& right) {
    KxString result;
    result.ConcatCopy(left.GetLength(), left.data_, right.GetLength(), right.data_);
    return result;
}

KxString operator+(const KxString& left, const char* right) {
    KxString result;
    result.ConcatCopy(left.GetLength(), left.data_, KxString::SafeStrlen(right), right);
    return result;
}

KxString operator+(const char* left, const KxString& right) {
    KxString result;
    result.ConcatCopy(KxString::SafeStrlen(left), left, right.GetLength(), right.data_);
    return result;
}

KxString operator+(const KxString& left, char right) {
    KxString result;
    result.ConcatCopy(left.GetLength(), left.data_, 1, &right);
    return result;
}

KxString operator+(char left, const KxString& right) {
    KxString result;
    result.ConcatCopy(1, &left, right.GetLength(), right.data_);
    return result;
}

// ---- The text as 16-bit characters ----

// The 16-bit text is kept at an even byte offset behind the narrow text and
// its terminator; it needs at most one 16-bit character per narrow byte.
KxString::operator const WCHAR*() {
    const int length = GetLength();
    const int offset = (length + 2) & ~1;
    GetBuffer(CheckedLength(3 * static_cast<std::size_t>(offset)));
    auto* wide = reinterpret_cast<WCHAR*>(data_ + offset);
    Widen(data_, wide, static_cast<std::size_t>(offset));
    return wide;
}
