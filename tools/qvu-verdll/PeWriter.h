// Writes small resource-only Windows DLLs that carry a version resource.
//
// Layout of every DLL written (offsets in the file):
//   0x000  DOS header and stub, the PE header at 0x80
//   0x080  "PE\0\0", COFF header, optional header (PE32 or PE32+), one section header
//   0x200  the section ".rsrc" (address 0x1000 in the image):
//          +0x00 type directory (RT_VERSION) +0x18 name directory (1)
//          +0x30 language directory (neutral) +0x48 data entry +0x58 the version block
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace verdll {

using Version = std::array<std::uint16_t, 4>;

struct VersionResource {
    Version fixedVersion{}; // file and product version of VS_FIXEDFILEINFO
    std::optional<std::string>
        fileVersion; // the "FileVersion" string (UTF-8); none: no StringFileInfo
};

// The VS_VERSIONINFO block: the fixed information, the string table "000004b0"
// with "FileVersion" when there is one, and the translation 0x0000/0x04b0.
// Empty when the block would exceed the 64 KiB a version block may hold.
std::vector<unsigned char> BuildVersionBlock(const VersionResource& resource);

// A DLL whose only resource is the version block; PE32+ (x64) when pe64 is set.
std::vector<unsigned char> BuildResourceDll(const std::vector<unsigned char>& versionBlock,
                                            bool pe64);

} // namespace verdll
