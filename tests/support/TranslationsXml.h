// Small translation documents for the tests.
#pragma once

#include "tests/support/ScopedEnvironment.h"

#include <string>

namespace qvutest {

// A document with the XML declaration, the root element and the given items.
inline std::string TranslationsXml(const std::string& items,
                                   const std::string& root = "TRANSLATIONS") {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<" + root + ">\n" + items + "</" + root +
           ">\n";
}

// An item with the given language elements, e.g. "<English>a</English>".
inline std::string Item(const std::string& id, const std::string& languages) {
    return "\t<TRANSLATE ItemId=\"" + id + "\">" + languages + "</TRANSLATE>\n";
}

// Makes the user's language the given locale for the life of the object.
class UserLanguage {
public:
    explicit UserLanguage(const char* locale) {
        environment_.Unset("LC_MESSAGES");
        environment_.Unset("LANG");
        if (locale != nullptr)
            environment_.Set("LC_ALL", locale);
        else
            environment_.Unset("LC_ALL");
    }

private:
    ScopedEnvironment environment_;
};

} // namespace qvutest
