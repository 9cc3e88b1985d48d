// KxString: read-only work on the text: comparison, extraction and search.
#include "base/KxString.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace {

// Texts to compare or search with; null counts as empty.
const char* OrEmpty(const char* text) {
    return text ? text : "";
}

int Lowered(char ch) {
    return std::tolower(static_cast<unsigned char>(ch));
}

std::string LowerCopy(const char* text) {
    std::string lowered(text);
    for (char& ch : lowered)
        ch = static_cast<char>(Lowered(ch));
    return lowered;
}

int IndexIn(const char* text, const char* match) {
    return match ? int(match - text) : -1;
}

} // namespace

// --- comparison -------------------------------------------------------------

int KxString::Compare(const char* text) const {
    const int result = std::strcmp(m_pchData, OrEmpty(text));
    return (result > 0) - (result < 0);
}

int KxString::CompareNoCase(const char* text) const {
    const char* mine = m_pchData;
    text = OrEmpty(text);
    while (*mine && Lowered(*mine) == Lowered(*text)) {
        ++mine;
        ++text;
    }
    return Lowered(*mine) - Lowered(*text);
}

int KxString::Collate(const char* text) const {
    return std::strcoll(m_pchData, OrEmpty(text));
}

int KxString::CollateNoCase(const char* text) const {
    return std::strcoll(LowerCopy(m_pchData).c_str(), LowerCopy(OrEmpty(text)).c_str());
}

bool operator==(const KxString& left, const KxString& right) {
    return left.Compare(right) == 0;
}

bool operator==(const KxString& left, const char* right) {
    return left.Compare(right) == 0;
}

std::strong_ordering operator<=>(const KxString& left, const KxString& right) {
    return left.Compare(right) <=> 0;
}

std::strong_ordering operator<=>(const KxString& left, const char* right) {
    return left.Compare(right) <=> 0;
}

// --- extraction -------------------------------------------------------------

KxString KxString::Mid(int first) const {
    return Mid(first, GetLength());
}

KxString KxString::Mid(int first, int count) const {
    first = std::max(first, 0);
    count = std::max(count, 0);
    KxString result;
    if (first >= GetLength())
        return result;
    AllocCopy(result, std::min(count, GetLength() - first), first, 0);
    return result;
}

KxString KxString::Left(int count) const {
    KxString result;
    AllocCopy(result, std::clamp(count, 0, GetLength()), 0, 0);
    return result;
}

KxString KxString::Right(int count) const {
    count = std::clamp(count, 0, GetLength());
    KxString result;
    AllocCopy(result, count, GetLength() - count, 0);
    return result;
}

KxString KxString::SpanIncluding(const char* set) const {
    return Left(static_cast<int>(std::strspn(m_pchData, OrEmpty(set))));
}

KxString KxString::SpanExcluding(const char* set) const {
    return Left(static_cast<int>(std::strcspn(m_pchData, OrEmpty(set))));
}

// --- search -----------------------------------------------------------------

int KxString::Find(char ch) const {
    return Find(ch, 0);
}

int KxString::Find(char ch, int start) const {
    start = std::max(start, 0);
    if (start >= GetLength())
        return -1;
    return IndexIn(m_pchData, std::strchr(m_pchData + start, ch));
}

int KxString::Find(const char* text) const {
    return Find(text, 0);
}

int KxString::Find(const char* text, int start) const {
    start = std::max(start, 0);
    if (start > GetLength())
        return -1;
    return IndexIn(m_pchData, std::strstr(m_pchData + start, OrEmpty(text)));
}

int KxString::ReverseFind(char ch) const {
    return IndexIn(m_pchData, std::strrchr(m_pchData, ch));
}

int KxString::FindOneOf(const char* set) const {
    return IndexIn(m_pchData, std::strpbrk(m_pchData, OrEmpty(set)));
}
