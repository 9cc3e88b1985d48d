#include "settings/QVRegistry.h"

#include <cstring>

namespace {

// Keys with these names survive a deletion, with the keys leading to them.
bool IsProtectedKey(const char* name) {
    return std::strcmp(name, "dd") == 0 || std::strcmp(name, "fdd") == 0;
}

bool KeyExists(HKEY parent, const char* name) {
    HKEY opened = nullptr;
    if (RegOpenKeyA(parent, name, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

} // namespace

int DeleteKeyAndAllSubkeys(HKEY parent, char* subKey) {
    HKEY opened = nullptr;
    if (subKey == nullptr || RegOpenKeyA(parent, subKey, &opened) != ERROR_SUCCESS)
        return 0;
    char name[256];
    DWORD leftInPlace = 0;
    while (RegEnumKeyA(opened, leftInPlace, name, sizeof name) == ERROR_SUCCESS) {
        if (IsProtectedKey(name)) {
            ++leftInPlace;
            continue;
        }
        DeleteKeyAndAllSubkeys(opened, name);
        // Still there: it holds a protected key, or the deletion was refused.
        if (KeyExists(opened, name))
            ++leftInPlace;
    }
    RegCloseKey(opened);
    if (leftInPlace == 0)
        RegDeleteKeyA(parent, subKey);
    return 0;
}
