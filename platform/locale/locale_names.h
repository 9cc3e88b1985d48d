// For platform/ only: the translation of POSIX locale names into Windows
// language ids, and the reading of the machine's locale configuration.
#pragma once

#include "platform/locale.h"

#include <string>
#include <string_view>

namespace platform {

// The language id of a locale name "language[_TERRITORY][.codeset][@modifier]"
// ("de_CH.UTF-8@euro" gives 0x0807; "de-CH" is read alike). A language with a
// territory it has no id for, or with none, gives the language's main id
// ("de" gives 0x0407). "", "C" and "POSIX" give 0: no language.
// An unknown language gives LOCALE_CUSTOM_UNSPECIFIED.
LANGID LangIdFromLocaleName(std::string_view localeName);

// The value of LANG in a locale configuration file's text (shell-style
// "NAME=value" lines, the value possibly quoted); "" when it sets none.
std::string LangFromLocaleConfig(std::string_view configText);

} // namespace platform
