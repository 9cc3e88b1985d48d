// Local memory blocks, as the kernel hands them out for descriptors and texts.
#pragma once

#include "platform/win_types.h"

constexpr UINT LMEM_FIXED = 0x0000;
constexpr UINT LMEM_ZEROINIT = 0x0040;
constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
// Frees a block; null is allowed. Answers null on success, as the kernel does.
HLOCAL LocalFree(HLOCAL memory);
