// The language of the translation table.
#pragma once

// The name of the language elements to read: "German", "Spanish", "French" or
// "Italian" for those primary languages of the user (of the system when the
// user has none), "English" for any other.
const char* TranslationLanguageElement();
