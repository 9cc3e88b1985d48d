#include "platform/locale.h"

#include "platform/locale/locale_names.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

constexpr LANGID kEnglishUnitedStates = 0x0409;

std::string FileText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// LANG of the machine's locale configuration; Debian keeps it in one file,
// systemd-based systems in the other.
std::string SystemLocaleName() {
    for (const char* path : {"/etc/default/locale", "/etc/locale.conf"}) {
        std::string lang = platform::LangFromLocaleConfig(FileText(path));
        if (!lang.empty())
            return lang;
    }
    return {};
}

} // namespace

LANGID GetUserDefaultLangID() {
    // The precedence the C library gives these variables for messages.
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return platform::LangIdFromLocaleName(value);
    }
    return 0;
}

LANGID GetSystemDefaultLangID() {
    const LANGID id = platform::LangIdFromLocaleName(SystemLocaleName());
    return id != 0 ? id : kEnglishUnitedStates;
}
