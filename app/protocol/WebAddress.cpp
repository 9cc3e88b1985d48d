#include "app/protocol/WebAddress.h"

#include "platform/strings.h"

bool IsWebAddress(const std::string& address) {
    const char* text = address.c_str();
    return _strnicmp(text, "http://", 7) == 0 || _strnicmp(text, "https://", 8) == 0;
}
