#include "platform/codepage.h"
#include "platform/errors.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Converts with the size query first, as callers do.
std::u16string ToWide(UINT codePage, const std::string& text) {
    const int size =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(size), u'\0');
    EXPECT_EQ(MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                  wide.data(), size),
              size);
    return wide;
}

std::string ToNarrow(UINT codePage, const std::u16string& text, BOOL* usedDefault = nullptr,
                     const char* defaultChar = nullptr) {
    const int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, defaultChar, usedDefault);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    EXPECT_EQ(WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                  narrow.data(), size, defaultChar, usedDefault),
              size);
    return narrow;
}

TEST(CodePageTest, AnsiCodePageIsUtf8) {
    EXPECT_EQ(GetACP(), CP_UTF8);
    const std::string text = "Grüße € \xF0\x9F\x98\x80";
    const std::u16string wide = u"Grüße € \U0001F600";
    for (const UINT codePage : {CP_ACP, CP_OEMCP, CP_UTF8}) {
        EXPECT_EQ(ToWide(codePage, text), wide) << codePage;
        EXPECT_EQ(ToNarrow(codePage, wide), text) << codePage;
    }
}

TEST(CodePageTest, InvalidUtf8BecomesOneReplacementPerInvalidSequence) {
    struct Case {
        const char* bytes;
        std::u16string wide;
    };
    const Case cases[] = {
        {"a\xFF"
         "b",
         u"a\uFFFDb"},
        {"\xC3", u"\uFFFD"}, // cut short at the end
        {"\xE2\x82"
         "a",
         u"\uFFFDa"},                                      // cut short by an ASCII byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},           // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // a surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"\xF0\x9F\x98", u"\uFFFD"},
        {"\x80\xBF", u"\uFFFD\uFFFD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToWide(CP_UTF8, c.bytes), c.wide) << c.bytes;
    EXPECT_EQ(ToNarrow(CP_UTF8, u"a\xD800"
                                u"b\xDC00"),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD")
        << "lone surrogates";
}

TEST(CodePageTest, WesternEuropeanCodePageHasItsOwnHighHalf) {
    EXPECT_EQ(ToWide(1252, "\x80\x81\x9F\xA0\xE9\xFF"), u"\u20AC\u0081\u0178\u00A0\u00E9\u00FF");
    BOOL usedDefault = TRUE;
    EXPECT_EQ(ToNarrow(1252, u"\u20AC\u00E9\u0178a", &usedDefault), "\x80\xE9\x9F"
                                                                    "a");
    EXPECT_FALSE(usedDefault);
    EXPECT_EQ(ToNarrow(1252, u"a\u0100\U0001F600b", &usedDefault), "a??b")
        << "one default character for each character the code page lacks";
    EXPECT_TRUE(usedDefault);
    EXPECT_EQ(ToNarrow(1252, u"\u0100", nullptr, "*"), "*");
}

TEST(CodePageTest, TerminatedInputCountsItsTerminator) {
    char16_t wide[8] = {};
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", -1, nullptr, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", -1, wide, 8), 3);
    EXPECT_EQ(std::u16string(wide), u"ab");
    char narrow[8] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\u00E9", -1, narrow, 8, nullptr, nullptr), 3);
    EXPECT_STREQ(narrow, "\xC3\xA9");
}

TEST(CodePageTest, BadCallsFailWithTheirErrors) {
    char16_t wide[2];
    char narrow[2];
    const auto failsWith = [](int result, DWORD error) {
        return result == 0 && GetLastError() == error;
    };
    EXPECT_TRUE(
        failsWith(MultiByteToWideChar(CP_UTF8, 0, "abc", 3, wide, 2), ERROR_INSUFFICIENT_BUFFER));
    EXPECT_TRUE(
        failsWith(WideCharToMultiByte(CP_UTF8, 0, u"\u00E9", 1, narrow, 1, nullptr, nullptr),
                  ERROR_INSUFFICIENT_BUFFER));
    EXPECT_TRUE(failsWith(MultiByteToWideChar(437, 0, "a", 1, wide, 2), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(
        failsWith(MultiByteToWideChar(CP_UTF8, 0, "a", 0, wide, 2), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(
        failsWith(MultiByteToWideChar(CP_UTF8, 0, nullptr, 1, wide, 2), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(
        failsWith(MultiByteToWideChar(CP_UTF8, 0, "a", 1, nullptr, 2), ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(failsWith(MultiByteToWideChar(CP_UTF8, 8, "a", 1, wide, 2), ERROR_INVALID_FLAGS));
    BOOL usedDefault = FALSE;
    EXPECT_TRUE(
        failsWith(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, narrow, 2, nullptr, &usedDefault),
                  ERROR_INVALID_PARAMETER))
        << "UTF-8 has no default character";
}

} // namespace
