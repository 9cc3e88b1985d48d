// Reads arbitrary bytes as a library file's version resource and queries the
// values callers ask for. Input that is no PE image is read as a bare version
// block, so that damaged blocks are reached without a valid image around them.

#include "platform/version.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<BYTE> block = platform::VersionInfoOfImage(data, size);
    if (block.empty())
        block = platform::VersionInfoOfResource(data, size);
    if (block.empty())
        return 0;
    for (const char* subBlock :
         {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo\\000004b0\\FileVersion",
          "\\StringFileInfo\\040904B0\\ProductName", "\\StringFileInfo", "\\\\VS_VERSION_INFO\\"}) {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), subBlock, &value, &length))
            continue;
        // Read every byte answered: a value reaching outside the block shows up.
        const auto* bytes = static_cast<const unsigned char*>(value);
        unsigned sum = 0;
        for (UINT i = 0; i < length; ++i)
            sum += bytes[i];
        volatile unsigned sink = sum;
        (void)sink;
    }
    return 0;
}
