// Feeds arbitrary documents to the translation table and reads texts back.
#include "localization/XMLLocalizer.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The loader's input is a zero-terminated text, as a resource gives it.
    const std::string text(reinterpret_cast<const char*>(data), size);
    XMLLocalizer localizer;
    localizer.ParseXml(text.c_str());
    for (const char* id : {"A", "B", "APP_START", "SELECTPROD_TEXT", ""})
        localizer.GetText(id);
    return 0;
}
