#include "localization/AnsiText.h"

#include "platform/codepage.h"

std::string ToAnsiCodePage(const char* utf8) {
    // The terminating zero goes through too (count -1), so that even an empty
    // text is a valid input; it is dropped at the end.
    const int wideSize = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (wideSize == 0)
        return {};
    std::u16string wide(static_cast<std::size_t>(wideSize), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), wideSize);

    const int narrowSize =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    if (narrowSize == 0)
        return {};
    std::string narrow(static_cast<std::size_t>(narrowSize), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, narrow.data(), narrowSize, nullptr,
                        nullptr);
    narrow.pop_back();
    return narrow;
}
