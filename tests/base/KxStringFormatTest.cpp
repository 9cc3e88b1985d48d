#include "tests/base/KxStringTestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstdarg>
#include <cstring>
#include <stdexcept>
#include <string>

using namespace kxtest;

namespace {

// Formats through FormatV without the compiler checking the arguments, so
// that the estimate's unusual cases can be driven.
void Formatted(KxString& s, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    s.FormatV(format, arguments);
    va_end(arguments);
}

int ReservedFor(const char* format, ...) {
    KxString s;
    va_list arguments;
    va_start(arguments, format);
    s.FormatV(format, arguments);
    va_end(arguments);
    return s.GetAllocLength();
}

TEST(KxStringFormat, ReservesTheEstimate) {
    KxString s;
    s.Format("%d items", 5);
    EXPECT_STREQ(s, "5 items");
    EXPECT_EQ(s.GetLength(), 7);
    EXPECT_EQ(s.GetAllocLength(), 38);
}

TEST(KxStringFormat, EstimateByFormatElement) {
    EXPECT_EQ(ReservedFor("a%%b"), 3);
    EXPECT_EQ(ReservedFor("%#x", 255), 34);
    EXPECT_EQ(ReservedFor("%-+05d", 1), 32);
    EXPECT_EQ(ReservedFor("%20.20d", 1), 40);
    EXPECT_EQ(ReservedFor("%*d", 50, 1), 50);
    EXPECT_EQ(ReservedFor("%ld|%lld", 1L, 2LL), 65);
    EXPECT_EQ(ReservedFor("%g", 1.5), 128);
    EXPECT_EQ(ReservedFor("%100.50f", 1.5), 150);
    EXPECT_EQ(ReservedFor("%c", 'x'), 2);
    EXPECT_EQ(ReservedFor("%5c", 'x'), 5);
    EXPECT_EQ(ReservedFor("%s", "hello"), 5);
    EXPECT_EQ(ReservedFor("%10s", "hello"), 10);
    EXPECT_EQ(ReservedFor("%.2s", "hello"), 2);
    EXPECT_EQ(ReservedFor("%.*s", 3, "hello"), 3);
    // The precision cuts the text, not the width.
    EXPECT_EQ(ReservedFor("%-20.3s", "hello"), 20);
    EXPECT_EQ(ReservedFor("%*.3s", 20, "hello"), 20);
    EXPECT_EQ(ReservedFor("%s", static_cast<const char*>(nullptr)), 6);
    EXPECT_EQ(ReservedFor("%p", static_cast<void*>(nullptr)), 32);
}

// Found by fuzz_string_format: with a precision the width was cut too, and
// the conversions counted as 0 left it out, so a '*' width of INT_MIN (2^31
// characters of padding, more than a text may have) passed the estimate and
// vsnprintf padded for seconds before failing.
TEST(KxStringFormat, AWidthBeyondTheLargestTextFailsAtOnce) {
    KxString s("kept");
    EXPECT_THROW(Formatted(s, "%*.5s", INT_MIN, "text"), std::length_error);
    EXPECT_THROW(Formatted(s, "%-*.3A", INT_MIN, 1.5), std::length_error);
    EXPECT_THROW(Formatted(s, "%*E", INT_MIN, 1.5), std::length_error);
    EXPECT_STREQ(s, "kept");
    EXPECT_EQ(ReservedFor("%20E", 1.5), 20);
}

// Found by fuzz_string_format: the estimate took C99's "%F" for the 16-bit
// far pointer prefix, read no argument for it (or took the next character
// for the conversion), and read the later arguments out of step: a text
// from the bits of a number.
TEST(KxStringFormat, UpperCaseFIsAFloatConversion) {
    EXPECT_EQ(ReservedFor("%F", 1.5), 128);
    EXPECT_EQ(ReservedFor("%10.200LF", 1.5L), 210);
    KxString s;
    Formatted(s, "%Fs and %d", 1.5, 16);
    EXPECT_STREQ(s, "1.500000s and 16");
    Formatted(s, "%s|%.2LF|%d|%ls", "a", 2.5L, 3, L"wide");
    EXPECT_STREQ(s, "a|2.50|3|wide");
}

TEST(KxStringFormat, ShortEstimatesAreEnlargedToFit) {
    KxString s;
    Formatted(s, "%E", 1.5); // counted as 0
    EXPECT_STREQ(s, "1.500000E+00");
    EXPECT_EQ(s.GetAllocLength(), 12);

    s.Format("%f", 1e300); // longer than the 128 counted for a float
    EXPECT_EQ(s.GetLength(), 308);
    EXPECT_EQ(s.GetAllocLength(), 308);
    EXPECT_EQ(std::string(s, 4), "1000");
    EXPECT_EQ(std::string(s).substr(300), "0.000000");

    Formatted(s, "%E and %s", 2.0, "text"); // later arguments stay in step
    EXPECT_STREQ(s, "2.000000E+00 and text");
}

TEST(KxStringFormat, KeepsALargeEnoughPrivateBuffer) {
    KxString s;
    char* buffer = s.GetBuffer(100);
    s.Format("%d", 42);
    EXPECT_EQ(Text(s), buffer);
    EXPECT_STREQ(s, "42");

    const KxString copy(s);
    s.Format("%s", "x");
    EXPECT_STREQ(copy, "42");
    EXPECT_EQ(s.GetAllocLength(), 2); // the larger of estimate and current length
}

TEST(KxStringFormat, ArgumentsMayBeTheStringItself) {
    KxString s("base");
    s.GetBuffer(50);
    s.Format("%s/%s", static_cast<const char*>(s), static_cast<const char*>(s));
    EXPECT_STREQ(s, "base/base");
}

TEST(KxStringFormat, TheLengthEndsAtTheFirstZero) {
    KxString s;
    s.Format("a%cb", 0);
    EXPECT_EQ(s.GetLength(), 1);
}

TEST(KxStringMessage, InsertsByNumber) {
    KxString s;
    s.FormatMessageA("%1 has %2!d! items", "List", 5);
    EXPECT_STREQ(s, "List has 5 items");
    s.FormatMessageA("%2-%1-%2", "a", "b");
    EXPECT_STREQ(s, "b-a-b");
    s.FormatMessageA("[%1!5s!|%2!-4x!|%3!lu!|%4!c!]", "ab", 255, 7ul, 'z');
    EXPECT_STREQ(s, "[   ab|ff  |7|z]");
    s.FormatMessageA("%10", "1", "2", "3", "4", "5", "6", "7", "8", "9", "tenth");
    EXPECT_STREQ(s, "tenth");
}

// Found by fuzz_string_format: "I64" went to the C library as it is, which
// printed an int from the low half of the argument, 64 characters wide.
TEST(KxStringMessage, TheWindowsSizeI64IsALongLong) {
    KxString s;
    s.FormatMessageA("[%1!I64d!|%2!-I64x!|%3!5I64u!]", -(1LL << 40), 0x123456789abLL, 42LL);
    EXPECT_STREQ(s, "[-1099511627776|123456789ab|   42]");
}

TEST(KxStringMessage, Escapes) {
    KxString s;
    s.FormatMessageA("100%% %! %.%nnext%tcol%rend");
    EXPECT_STREQ(s, "100% ! .\r\nnext\tcol\rend");
    s.FormatMessageA("stop%0 here");
    EXPECT_STREQ(s, "stop");
}

TEST(KxStringMessage, MalformedFormatsThrowAndKeepTheValue) {
    KxString s("kept");
    EXPECT_THROW(s.FormatMessageA("%1!d", 5), std::runtime_error);
    EXPECT_THROW(s.FormatMessageA("50%"), std::runtime_error);
    EXPECT_THROW(s.FormatMessageA("%1!f!", 1.0), std::runtime_error);
    EXPECT_THROW(s.FormatMessageA("%1!*d!", 3, 5), std::runtime_error);
    EXPECT_THROW(s.FormatMessageA("%1 %1!d!", "x"), std::runtime_error);
    EXPECT_STREQ(s, "kept");
}

TEST(KxStringWide, ConvertsBehindTheTextInTheSameBuffer) {
    KxString s("abc");
    const KxString copy(s);
    const WCHAR* wide = s;
    EXPECT_EQ(std::u16string(wide), u"abc");
    EXPECT_EQ(reinterpret_cast<const char*>(wide), Text(s) + 4);
    EXPECT_EQ(s.GetAllocLength(), 12);
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_STREQ(s, "abc");
    EXPECT_STREQ(copy, "abc");

    KxString empty;
    EXPECT_EQ(std::u16string(static_cast<const WCHAR*>(empty)), u"");
    EXPECT_EQ(empty.GetAllocLength(), 6);
}

TEST(KxStringWide, UsesTheCurrentLocale) {
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    KxString s("\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80!\xff"); // é € 😀 ! and a stray byte
    const std::u16string wide(static_cast<const WCHAR*>(s));
    std::setlocale(LC_CTYPE, previous.c_str());
    EXPECT_EQ(wide, u"\u00e9\u20ac\U0001F600!\uFFFD");
    EXPECT_EQ(s.GetLength(), 11);
}

} // namespace
