// The user's and the system's language, as Windows language ids.
//
// The user's language is the one the C library would use for messages: the
// first non-empty of LC_ALL, LC_MESSAGES and LANG. The system's language is
// LANG of the machine's locale configuration (/etc/default/locale, else
// /etc/locale.conf).
#pragma once

#include "platform/win_types.h"

using LANGID = WORD;

#define MAKELANGID(primary, sub)                                                                   \
    (static_cast<LANGID>((static_cast<WORD>(sub) << 10) | static_cast<WORD>(primary)))
#define PRIMARYLANGID(langId) (static_cast<WORD>(langId) & 0x3FF)
#define SUBLANGID(langId) (static_cast<WORD>(langId) >> 10)

constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD LANG_GERMAN = 0x07;
constexpr WORD LANG_ENGLISH = 0x09;
constexpr WORD LANG_SPANISH = 0x0A;
constexpr WORD LANG_FRENCH = 0x0C;
constexpr WORD LANG_ITALIAN = 0x10;

constexpr WORD SUBLANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;

// Windows' answer for a language that has no id of its own.
constexpr LANGID LOCALE_CUSTOM_UNSPECIFIED = 0x1000;

// 0 when no language is set for the user ("C", "POSIX" or nothing), so that the
// system's language decides; LOCALE_CUSTOM_UNSPECIFIED for a language without
// a Windows id.
LANGID GetUserDefaultLangID();
// Never 0: a machine without a configured language answers English (US),
// 0x0409; LOCALE_CUSTOM_UNSPECIFIED for a language without a Windows id.
LANGID GetSystemDefaultLangID();
