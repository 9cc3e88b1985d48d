#include "localization/TranslationLanguage.h"

#include "platform/locale.h"

const char* TranslationLanguageElement() {
    LANGID language = GetUserDefaultLangID();
    if (language == 0)
        language = GetSystemDefaultLangID();
    switch (PRIMARYLANGID(language)) {
    case LANG_GERMAN:
        return "German";
    case LANG_SPANISH:
        return "Spanish";
    case LANG_FRENCH:
        return "French";
    case LANG_ITALIAN:
        return "Italian";
    default:
        return "English";
    }
}
