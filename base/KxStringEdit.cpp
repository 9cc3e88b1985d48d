// KxString: editing in place: characters, case, replacing, inserting, deleting.
#include "base/KxString.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace {

void UpperInPlace(std::string& text) {
    for (char& ch : text)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
}

// Where needle occurs in text, searching each zero-terminated segment in turn
// and continuing after every match. text.c_str() ends the last segment.
std::vector<int> FindMatchesBySegment(const std::string& text, const std::string& needle) {
    std::vector<int> matches;
    const char* segment = text.c_str();
    const char* end = segment + text.size();
    while (segment < end) {
        while (const char* match = std::strstr(segment, needle.c_str())) {
            matches.push_back(static_cast<int>(match - text.c_str()));
            segment = match + needle.size();
        }
        segment += std::strlen(segment) + 1;
    }
    return matches;
}

} // namespace

void KxString::SetAt(int index, char ch) {
    CopyBeforeWrite();
    m_pchData[index] = ch;
}

void KxString::MakeUpper() {
    CopyBeforeWrite();
    for (char* ch = m_pchData; *ch; ++ch)
        *ch = static_cast<char>(std::toupper(static_cast<unsigned char>(*ch)));
}

void KxString::MakeLower() {
    CopyBeforeWrite();
    for (char* ch = m_pchData; *ch; ++ch)
        *ch = static_cast<char>(std::tolower(static_cast<unsigned char>(*ch)));
}

void KxString::MakeReverse() {
    CopyBeforeWrite();
    std::reverse(m_pchData, m_pchData + std::strlen(m_pchData));
}

int KxString::Replace(char oldChar, char newChar) {
    if (oldChar == newChar)
        return 0;
    CopyBeforeWrite();
    int count = 0;
    for (int i = 0; i < GetLength(); ++i) {
        if (m_pchData[i] == oldChar) {
            m_pchData[i] = newChar;
            ++count;
        }
    }
    return count;
}

int KxString::Replace(const char* oldText, const char* newText) {
    return ReplaceMatches(oldText, newText, false);
}

int KxString::ReplaceNoCase(const char* oldText, const char* newText) {
    return ReplaceMatches(oldText, newText, true);
}

// The result is built apart and then assigned, so the texts may even lie in
// this string's own buffer, and inserted text is never searched again.
int KxString::ReplaceMatches(const char* oldText, const char* newText, bool ignoreCase) {
    if (SafeStrlen(oldText) == 0)
        return 0;
    std::string haystack(m_pchData, static_cast<std::size_t>(GetLength()));
    std::string needle(oldText);
    if (ignoreCase) {
        UpperInPlace(haystack);
        UpperInPlace(needle);
    }
    const std::vector<int> matches = FindMatchesBySegment(haystack, needle);
    if (matches.empty())
        return 0;
    const std::string replacement(newText ? newText : "");
    std::string result;
    int copied = 0;
    for (int match : matches) {
        result.append(m_pchData + copied, static_cast<std::size_t>(match - copied));
        result += replacement;
        copied = match + static_cast<int>(needle.size());
    }
    result.append(m_pchData + copied, static_cast<std::size_t>(GetLength() - copied));
    AssignCopy(CheckedLength(result.size()), result.data());
    return static_cast<int>(matches.size());
}

int KxString::Remove(char ch) {
    CopyBeforeWrite();
    char* const end = m_pchData + GetLength();
    const int removed = static_cast<int>(end - std::remove(m_pchData, end, ch));
    SetLength(GetLength() - removed);
    return removed;
}

int KxString::Insert(int index, char ch) {
    return InsertText(index, &ch, 1);
}

int KxString::Insert(int index, const char* text) {
    return InsertText(index, text, SafeStrlen(text));
}

int KxString::InsertText(int index, const char* text, int length) {
    if (length == 0)
        return GetLength();
    std::string result(m_pchData, static_cast<std::size_t>(GetLength()));
    result.insert(static_cast<std::size_t>(std::clamp(index, 0, GetLength())), text,
                  static_cast<std::size_t>(length));
    AssignCopy(CheckedLength(result.size()), result.data());
    return GetLength();
}

// Removes at most up to the end of the text.
int KxString::Delete(int index, int count) {
    const int oldLength = GetLength();
    index = std::max(index, 0);
    if (count <= 0 || index >= oldLength)
        return oldLength;
    count = std::min(count, oldLength - index);
    CopyBeforeWrite();
    std::memmove(m_pchData + index, m_pchData + index + count,
                 static_cast<std::size_t>(oldLength - index - count));
    SetLength(oldLength - count);
    return oldLength;
}

// The system's ANSI and OEM code pages are both UTF-8 on this platform, so
// both conversions leave the text as it is; the buffer is still made private
// as the conversion in place would.
void KxString::CharToOemA() {
    CopyBeforeWrite();
}

void KxString::OemToCharA() {
    CopyBeforeWrite();
}
