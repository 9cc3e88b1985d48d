// KxString: editing in place, trimming, and read-only work on the text.
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

bool IsSpace(char ch) {
    return std::isspace(static_cast<unsigned char>(ch)) != 0;
}

// Index where the trailing run of matching characters begins, -1 for none.
template <class Matches> int TrailingRunStart(const char* text, Matches matches) {
    int runStart = -1;
    for (int i = 0; text[i]; ++i) {
        if (!matches(text[i]))
            runStart = -1;
        else if (runStart < 0)
            runStart = i;
    }
    return runStart;
}

template <class Matches> int LeadingRunLength(const char* text, Matches matches) {
    int length = 0;
    while (text[length] && matches(text[length]))
        ++length;
    return length;
}

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

// ---- Editing in place: characters, case, replacing, inserting, deleting ----

void KxString::SetAt(int index, char ch) {
    CopyBeforeWrite();
    data_[index] = ch;
}

void KxString::MakeUpper() {
    CopyBeforeWrite();
    for (char* ch = data_; *ch; ++ch)
        *ch = static_cast<char>(std::toupper(static_cast<unsigned char>(*ch)));
}

void KxString::MakeLower() {
    CopyBeforeWrite();
    for (char* ch = data_; *ch; ++ch)
        *ch = static_cast<char>(std::tolower(static_cast<unsigned char>(*ch)));
}

void KxString::MakeReverse() {
    CopyBeforeWrite();
    std::reverse(data_, data_ + std::strlen(data_));
}

int KxString::Replace(char oldChar, char newChar) {
    if (oldChar == newChar)
        return 0;
    CopyBeforeWrite();
    int count = 0;
    for (int i = 0; i < GetLength(); ++i) {
        if (data_[i] == oldChar) {
            data_[i] = newChar;
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
    std::string haystack(data_, static_cast<std::size_t>(GetLength()));
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
        result.append(data_ + copied, static_cast<std::size_t>(match - copied));
        result += replacement;
        copied = match + static_cast<int>(needle.size());
    }
    result.append(data_ + copied, static_cast<std::size_t>(GetLength() - copied));
    AssignCopy(CheckedLength(result.size()), result.data());
    return static_cast<int>(matches.size());
}

int KxString::Remove(char ch) {
    CopyBeforeWrite();
    char* const end = data_ + GetLength();
    const int removed = static_cast<int>(end - std::remove(data_, end, ch));
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
    std::string result(data_, static_cast<std::size_t>(GetLength()));
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
    std::memmove(data_ + index, data_ + index + count,
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

// ---- Trimming runs of characters at either end of the zero-terminated text ----

void KxString::CutAt(int index) {
    if (index < 0)
        return;
    CopyBeforeWrite();
    SetLength(index);
}

void KxString::DropLeading(int count) {
    if (count == 0)
        return;
    CopyBeforeWrite();
    const int kept = GetLength() - count;
    std::memmove(data_, data_ + count, static_cast<std::size_t>(kept));
    SetLength(kept);
}

void KxString::TrimRight() {
    CutAt(TrailingRunStart(data_, IsSpace));
}

void KxString::TrimRight(char target) {
    CutAt(TrailingRunStart(data_, [target](char ch) { return ch == target; }));
}

// A null set trims nothing.
void KxString::TrimRight(const char* targets) {
    if (!targets)
        return;
    CutAt(TrailingRunStart(data_, [targets](char ch) { return std::strchr(targets, ch); }));
}

void KxString::TrimLeft() {
    DropLeading(LeadingRunLength(data_, IsSpace));
}

void KxString::TrimLeft(char target) {
    DropLeading(LeadingRunLength(data_, [target](char ch) { return ch == target; }));
}

void KxString::TrimLeft(const char* targets) {
    if (!targets)
        return;
    DropLeading(LeadingRunLength(data_, [targets](char ch) { return std::strchr(targets, ch); }));
}

// ---- Read-only work on the text: comparison, extraction and search ----

// --- comparison -------------------------------------------------------------

int KxString::Compare(const char* text) const {
    const int result = std::strcmp(data_, OrEmpty(text));
    return (result > 0) - (result < 0);
}

int KxString::CompareNoCase(const char* text) const {
    const char* mine = data_;
    text = OrEmpty(text);
    while (*mine && Lowered(*mine) == Lowered(*text)) {
        ++mine;
        ++text;
    }
    return Lowered(*mine) - Lowered(*text);
}

int KxString::Collate(const char* text) const {
    return std::strcoll(data_, OrEmpty(text));
}

int KxString::CollateNoCase(const char* text) const {
    return std::strcoll(LowerCopy(data_).c_str(), LowerCopy(OrEmpty(text)).c_str());
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
    return Left(static_cast<int>(std::strspn(data_, OrEmpty(set))));
}

KxString KxString::SpanExcluding(const char* set) const {
    return Left(static_cast<int>(std::strcspn(data_, OrEmpty(set))));
}

// --- search -----------------------------------------------------------------

int KxString::Find(char ch) const {
    return Find(ch, 0);
}

int KxString::Find(char ch, int start) const {
    start = std::max(start, 0);
    if (start >= GetLength())
        return -1;
    return IndexIn(data_, std::strchr(data_ + start, ch));
}

int KxString::Find(const char* text) const {
    return Find(text, 0);
}

int KxString::Find(const char* text, int start) const {
    start = std::max(start, 0);
    if (start > GetLength())
        return -1;
    return IndexIn(data_, std::strstr(data_ + start, OrEmpty(text)));
}

int KxString::ReverseFind(char ch) const {
    return IndexIn(data_, std::strrchr(data_, ch));
}

int KxString::FindOneOf(const char* set) const {
    return IndexIn(data_, std::strpbrk(data_, OrEmpty(set)));
}
