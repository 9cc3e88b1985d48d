#include "base/VisibleText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* what;
    std::string text;
    std::string shown;
};

TEST(VisibleTextTest, ControlsAreShownAndEverythingElseStays) {
    const Case cases[] = {
        {"window title", "5.1\x1b]0;owned\x07", "5.1\\x1b]0;owned\\x07"},
        {"clipboard write", "\x1b]52;c;cm0gLXJmIC8K\x1b\\", "\\x1b]52;c;cm0gLXJmIC8K\\x1b\\"},
        {"clear screen", "\x1b[2J\x1b[H", "\\x1b[2J\\x1b[H"},
        {"C1 CSI in UTF-8",
         "a\xc2\x9b"
         "2Jb",
         "a\\xc2\\x9b2Jb"},
        {"C1 OSC in UTF-8",
         "\xc2\x9d"
         "0;t\xc2\x9c",
         "\\xc2\\x9d0;t\\xc2\\x9c"},
        {"bare CSI byte",
         "a\x9b"
         "2J",
         "a\\x9b2J"},
        {"carriage return", "5.1\rFAKE", "5.1\\x0dFAKE"},
        {"backspace", "5.1\b\b\b", "5.1\\x08\\x08\\x08"},
        {"delete",
         "a\x7f"
         "b",
         "a\\x7fb"},
        {"tab and line feed", "a\tb\nc", "a\\x09b\\x0ac"},
        {"NUL", std::string("a\0b", 3), "a\\x00b"},
        {"overlong ESC", "\xc0\x9b", "\\xc0\\x9b"},
        {"overlong CSI", "\xe0\x82\x9b", "\\xe0\\x82\\x9b"},
        {"cut sequence", "\xe2\x80", "\\xe2\\x80"},
        {"surrogate", "\xed\xa0\x80", "\\xed\\xa0\\x80"},
        {"German", "Größe: Änderung übernommen", "Größe: Änderung übernommen"},
        {"French", "mise à jour réussie, ça marche", "mise à jour réussie, ça marche"},
        {"non-breaking space, euro, emoji", "5\xc2\xa0\xe2\x82\xac \xf0\x9f\x98\x80",
         "5\xc2\xa0\xe2\x82\xac \xf0\x9f\x98\x80"},
        {"backslash", "C:\\Quorvane\\", "C:\\Quorvane\\"},
        {"empty", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VisibleControls(c.text), c.shown) << c.what;
}

TEST(VisibleTextTest, KeptLineFeedsAloneStayLineBreaks) {
    EXPECT_EQ(VisibleControls("first\nsecond\r\n\x1b[1A", LineFeeds::Kept),
              "first\nsecond\\x0d\n\\x1b[1A");
}

} // namespace
