// KxString: trimming runs of characters at either end of the zero-terminated text.
#include "base/KxString.h"

#include <cctype>
#include <cstring>

namespace {

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

} // namespace

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
    std::memmove(m_pchData, m_pchData + count, static_cast<std::size_t>(kept));
    SetLength(kept);
}

void KxString::TrimRight() {
    CutAt(TrailingRunStart(m_pchData, IsSpace));
}

void KxString::TrimRight(char target) {
    CutAt(TrailingRunStart(m_pchData, [target](char ch) { return ch == target; }));
}

// A null set trims nothing.
void KxString::TrimRight(const char* targets) {
    if (!targets)
        return;
    CutAt(TrailingRunStart(m_pchData, [targets](char ch) { return std::strchr(targets, ch); }));
}

void KxString::TrimLeft() {
    DropLeading(LeadingRunLength(m_pchData, IsSpace));
}

void KxString::TrimLeft(char target) {
    DropLeading(LeadingRunLength(m_pchData, [target](char ch) { return ch == target; }));
}

void KxString::TrimLeft(const char* targets) {
    if (!targets)
        return;
    DropLeading(
        LeadingRunLength(m_pchData, [targets](char ch) { return std::strchr(targets, ch); }));
}
