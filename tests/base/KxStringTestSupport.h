// Looks behind a KxString's text at its buffer header, for the tests.
#pragma once

#include "base/KxString.h"

namespace kxtest {

inline const KxStringData& Header(const KxString& s) {
    return *(reinterpret_cast<const KxStringData*>(static_cast<const char*>(s)) - 1);
}

inline int Refs(const KxString& s) {
    return Header(s).nRefs;
}

inline const char* Text(const KxString& s) {
    return s;
}

inline bool OnEmptyBuffer(const KxString& s) {
    return Text(s) == Text(KxGetEmptyString());
}

} // namespace kxtest
