// Root of the in-house class tree: every object knows its complete object and
// its class name.
#pragma once

#include "base/KxExport.h"

class KX_EXPORT IKxObject {
public:
    virtual ~IKxObject() = default;

protected:
    // Left to the derived class, which sets both in its constructors.
    IKxObject() = default;

    IKxObject* m_pObject = nullptr;
    const char* m_pszClassName = nullptr;
};
