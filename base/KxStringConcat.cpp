// KxString: concatenation.
#include "base/KxString.h"

const KxString& KxString::operator+=(const char* text) {
    ConcatInPlace(SafeStrlen(text), text);
    return *this;
}

const KxString& KxString::operator+=(char ch) {
    ConcatInPlace(1, &ch);
    return *this;
}

const KxString& KxString::operator+=(const KxString& source) {
    ConcatInPlace(source.GetLength(), source.m_pchData);
    return *this;
}

KxString operator+(const KxString& left, const KxString& right) {
    KxString result;
    result.ConcatCopy(left.GetLength(), left.m_pchData, right.GetLength(), right.m_pchData);
    return result;
}

KxString operator+(const KxString& left, const char* right) {
    KxString result;
    result.ConcatCopy(left.GetLength(), left.m_pchData, KxString::SafeStrlen(right), right);
    return result;
}

KxString operator+(const char* left, const KxString& right) {
    KxString result;
    result.ConcatCopy(KxString::SafeStrlen(left), left, right.GetLength(), right.m_pchData);
    return result;
}

KxString operator+(const KxString& left, char right) {
    KxString result;
    result.ConcatCopy(left.GetLength(), left.m_pchData, 1, &right);
    return result;
}

KxString operator+(char left, const KxString& right) {
    KxString result;
    result.ConcatCopy(1, &left, right.GetLength(), right.m_pchData);
    return result;
}
