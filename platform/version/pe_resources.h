// For platform/ only: finds the version resource in a Windows executable
// image (PE32 or PE32+) held in memory.
//
// Every offset and length read from the image is checked against the image
// and against the structure that holds it, so that a truncated or hostile
// file is refused with an error code instead of being read out of bounds.
#pragma once

#include "platform/win_types.h"

#include <cstddef>
#include <span>

namespace platform {

// The version resource of an image: type RT_VERSION (16), its first name, the
// first language of that name. On success answers ERROR_SUCCESS and sets
// resource to the resource's bytes inside data; otherwise answers
// ERROR_BAD_EXE_FORMAT (not a PE image), ERROR_RESOURCE_TYPE_NOT_FOUND (no
// version resource) or ERROR_RESOURCE_DATA_NOT_FOUND (a damaged resource tree).
DWORD ReadVersionResource(const unsigned char* data, std::size_t size,
                          std::span<const unsigned char>& resource);

} // namespace platform
