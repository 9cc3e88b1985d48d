// KxString: the narrow string class of the in-house libraries. 8-bit characters,
// zero-terminated, reference-counted with copy-on-write; every empty string
// points to one shared static buffer.
#pragma once

#include "base/KxExport.h"
#include "platform/win_types.h"

#include <compare>
#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

// The header in front of every string buffer; capacity + 1 characters follow it.
struct KxStringData {
    // Number of strings sharing the buffer; -1 locked (never shared), -2 the
    // static empty buffer (never counted or freed).
    std::int32_t nRefs;
    std::int32_t nDataLength;  // characters, terminator excluded
    std::int32_t nAllocLength; // capacity, terminator excluded

    char* data() { return reinterpret_cast<char*>(this + 1); }
};

class KX_EXPORT KxString {
public:
    // construction
    KxString();
    KxString(const KxString& source);
    KxString(const char* text);
    KxString(const unsigned char* text);
    KxString(char ch, int repeat);
    KxString(const char* text, int length);
    // The framework's narrow string types: their whole text, zeros included.
    KxString(const std::string& text);
    KxString(std::string_view text);
    ~KxString();

    // assignment
    KxString& operator=(const KxString& source);
    KxString& operator=(const char* text);
    KxString& operator=(const unsigned char* text);
    KxString& operator=(char ch);
    KxString& operator=(const std::string& text);
    KxString& operator=(std::string_view text);

    // size
    int GetLength() const { return GetData()->nDataLength; }
    int GetAllocLength() const { return GetData()->nAllocLength; }
    bool IsEmpty() const { return GetData()->nDataLength == 0; }

    // access (no index checks: the index lies in 0 to length - 1)
    operator const char*() const { return data_; }
    char GetAt(int index) const { return data_[index]; }
    char operator[](int index) const { return data_[index]; }
    void SetAt(int index, char ch);

    // comparison of the zero-terminated texts
    int Compare(const char* text) const;       // -1, 0 or 1 by unsigned bytes
    int CompareNoCase(const char* text) const; // difference of the lowered characters
    int Collate(const char* text) const;
    int CollateNoCase(const char* text) const;

    // concatenation
    const KxString& operator+=(const char* text);
    const KxString& operator+=(char ch);
    const KxString& operator+=(const KxString& source);
    friend KX_EXPORT KxString operator+(const KxString& left, const KxString& right);
    friend KX_EXPORT KxString operator+(const KxString& left, const char* right);
    friend KX_EXPORT KxString operator+(const char* left, const KxString& right);
    friend KX_EXPORT KxString operator+(const KxString& left, char right);
    friend KX_EXPORT KxString operator+(char left, const KxString& right);

    // extraction (negative positions and counts count as 0)
    KxString Mid(int first) const;
    KxString Mid(int first, int count) const;
    KxString Left(int count) const;
    KxString Right(int count) const;
    KxString SpanIncluding(const char* set) const;
    KxString SpanExcluding(const char* set) const;

    // search: the index of the match, or -1
    int Find(char ch) const;
    int Find(char ch, int start) const;
    int Find(const char* text) const;
    int Find(const char* text, int start) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* set) const;

    // editing
    void MakeUpper();
    void MakeLower();
    void MakeReverse();
    int Replace(char oldChar, char newChar);
    int Replace(const char* oldText, const char* newText);
    int ReplaceNoCase(const char* oldText, const char* newText);
    int Remove(char ch);
    int Insert(int index, char ch);          // answers the new length
    int Insert(int index, const char* text); // answers the new length
    int Delete(int index, int count = 1);    // answers the length before
    void TrimLeft();
    void TrimLeft(char target);
    void TrimLeft(const char* targets);
    void TrimRight();
    void TrimRight(char target);
    void TrimRight(const char* targets);
    void Empty();
    void CharToOemA();
    void OemToCharA();

    // formatting
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* format, va_list arguments);
    // Inserts "%1", "%2"... (optionally "%1!d!") as the platform's message
    // formatting does; throws std::runtime_error on a malformed format and
    // keeps the value then.
    void FormatMessageA(const char* format, ...);

    // buffer access
    char* GetBuffer(int minimumCapacity);
    void ReleaseBuffer(int length = -1);
    char* GetBufferSetLength(int length);
    void FreeExtra();
    char* LockBuffer();
    void UnlockBuffer();

    // The text as 16-bit characters, kept behind the text in the string's own
    // buffer; valid until the string next changes.
    operator const WCHAR*();

protected:
    char* data_;

    KxStringData* GetData() const { return reinterpret_cast<KxStringData*>(data_) - 1; }
    void Init();
    void AllocBuffer(int length);
    void Release();
    static void Release(KxStringData* data);
    void CopyBeforeWrite();
    void AllocBeforeWrite(int length);
    void AllocCopy(KxString& dest, int copyLength, int copyIndex, int extraLength) const;
    void AssignCopy(int length, const char* text);
    void ConcatCopy(int length1, const char* text1, int length2, const char* text2);
    void ConcatInPlace(int length, const char* text);
    static int SafeStrlen(const char* text);

private:
    bool IsEmptyBuffer() const;
    std::int32_t GetRefs() const;
    void SetRefs(std::int32_t refs);
    void SetLength(int length);
    void Reallocate(int capacity);
    static int CheckedLength(std::size_t size);
    int ReplaceMatches(const char* oldText, const char* newText, bool ignoreCase);
    int InsertText(int index, const char* text, int length);
    void CutAt(int index);
    void DropLeading(int count);
};

// Comparison operators: unsigned bytes up to the first zero, case-sensitive.
// The remaining forms, including (text, string), are derived by the language.
KX_EXPORT bool operator==(const KxString& left, const KxString& right);
KX_EXPORT bool operator==(const KxString& left, const char* right);
KX_EXPORT std::strong_ordering operator<=>(const KxString& left, const KxString& right);
KX_EXPORT std::strong_ordering operator<=>(const KxString& left, const char* right);

// A static empty string.
KX_EXPORT const KxString& KxGetEmptyString();
