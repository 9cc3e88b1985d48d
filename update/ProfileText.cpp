#include "update/ProfileText.h"

#include "platform/profile.h"

std::string ReadProfileText(const std::string& path, const char* section, const char* key,
                            const char* defaultValue) {
    char buffer[260] = {};
    GetPrivateProfileStringA(section, key, defaultValue, buffer, sizeof buffer, path.c_str());
    return buffer;
}
