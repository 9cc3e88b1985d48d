#include "platform/files.h"
#include "tests/platform/ProfileTestSupport.h"

#include <climits>
#include <cstring>
#include <string>

namespace {

using qvutest::ProfileTest;
using namespace std::string_literals;

// The raw buffer of a listing, including its terminators.
std::string Listing(const char* section, DWORD size, DWORD& count) {
    std::string buffer(size, '#');
    count = GetPrivateProfileStringA(section, nullptr, "", buffer.data(), size, ProfileTest::kIni);
    return buffer;
}

TEST_F(ProfileTest, ValuesLoseBlanksAndOneEnclosingPairOfQuotes) {
    GivenIni("[S]\r\n"
             "plain=  a b \t\r\n"
             "double=\"quoted \"\r\n"
             "single='single'\r\n"
             "mixed=\"mixed'\r\n"
             "inner=\"a\"b\"\r\n"
             "lone=\"\r\n"
             "twice=\"\"x\"\"\r\n"
             "  spaced key\t= v = w\r\n"
             "empty=\r\n");
    EXPECT_EQ(Value("S", "plain"), "a b");
    EXPECT_EQ(Value("S", "double"), "quoted ");
    EXPECT_EQ(Value("S", "single"), "single");
    EXPECT_EQ(Value("S", "mixed"), "\"mixed'");
    EXPECT_EQ(Value("S", "inner"), "a\"b");
    EXPECT_EQ(Value("S", "lone"), "\"");
    EXPECT_EQ(Value("S", "twice"), "\"x\"");
    EXPECT_EQ(Value("S", "spaced key"), "v = w");
    const auto empty = ReadValue("S", "empty", "fallback");
    EXPECT_EQ(empty.text, "");
    EXPECT_EQ(empty.count, 0u);
}

TEST_F(ProfileTest, NamesAreCaseBlindAndTheFirstMatchWins) {
    GivenIni("[Sec]\nkey=1\nKEY=2\n[Other]\nkey=9\n[SEC]\nkey=3\nlater=4\n[  Spaced  ]\nk=5\n");
    EXPECT_EQ(Value("sec", "Key"), "1");
    EXPECT_EQ(Value("SEC", "later"), "<default>") << "only the first section of a name counts";
    EXPECT_EQ(Value(" spaced\t", " K "), "5") << "blanks around names do not count";
}

TEST_F(ProfileTest, MissingFileSectionOrKeyGivesTheDefault) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(Value("S", "k"), "<default>");
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Value("S", "k", "Q:\\Test.ini"), "<default>") << "unmapped drive";

    GivenIni("[S]\r\nk=1\r\n");
    EXPECT_EQ(Value("T", "k"), "<default>");
    EXPECT_EQ(Value("S", "x"), "<default>");
    const auto noDefault = ReadValue("S", "x", nullptr);
    EXPECT_EQ(noDefault.text, "");
    EXPECT_EQ(noDefault.count, 0u);
    const auto trimmed = ReadValue("S", "x", "  dflt \t ");
    EXPECT_EQ(trimmed.text, "  dflt") << "trailing blanks of the default go";
    EXPECT_EQ(trimmed.count, 6u);
}

TEST_F(ProfileTest, ValueIsCutToTheBufferAndTheCountSaysSo) {
    GivenIni("[S]\r\nk=abcdef\r\n");
    const auto fits = ReadValue("S", "k", "", 7);
    EXPECT_EQ(fits.text, "abcdef");
    EXPECT_EQ(fits.count, 6u);
    const auto cut = ReadValue("S", "k", "", 6);
    EXPECT_EQ(cut.text, "abcde");
    EXPECT_EQ(cut.count, 5u);
    const auto one = ReadValue("S", "k", "", 1);
    EXPECT_EQ(one.text, "");
    EXPECT_EQ(one.count, 0u);
    const auto defaultCut = ReadValue("S", "x", "xyz", 3);
    EXPECT_EQ(defaultCut.text, "xy");
    EXPECT_EQ(defaultCut.count, 2u);

    char untouched = '#';
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", &untouched, 0, kIni), 0u);
    EXPECT_EQ(untouched, '#');
}

TEST_F(ProfileTest, LineEndsByteOrderMarkAndLastLineAreReadAlike) {
    for (const std::string& text : {"[S]\r\nk=v\r\n"s, "[S]\nk=v\n"s, "[S]\nk=v"s,
                                    "\xEF\xBB\xBF[S]\r\nk=v"s, "[S]\r\nk=v\r\r\n"s}) {
        GivenIni(text);
        EXPECT_EQ(Value("S", "k"), "v") << text;
    }
}

TEST_F(ProfileTest, CommentsLinesWithoutEqualsAndTextBeforeTheFirstSectionAreNotKeys) {
    GivenIni("top=1\n[S]\n;hidden=2\n  ; indented=3\nno equals here\nk=4\n");
    EXPECT_EQ(Value("S", "top"), "<default>");
    EXPECT_EQ(Value("", "top"), "<default>");
    EXPECT_EQ(Value("S", ";hidden"), "<default>");
    EXPECT_EQ(Value("S", "no equals here"), "<default>");
    EXPECT_EQ(Value("S", "k"), "4");
    DWORD count = 0;
    EXPECT_EQ(Listing("S", 32, count).substr(0, 3), "k\0\0"s);
    EXPECT_EQ(count, 2u);
}

TEST_F(ProfileTest, SectionHeadersEndAtTheFirstBracketOrTheLineEnd) {
    GivenIni("[A] trailing text\na=1\n[B]]\nb=2\n[Unclosed  \nu=3\n[]\ne=4\n");
    EXPECT_EQ(Value("A", "a"), "1");
    EXPECT_EQ(Value("B", "b"), "2");
    EXPECT_EQ(Value("Unclosed", "u"), "3") << "a header without ']' still starts a section";
    EXPECT_EQ(Value("", "e"), "4");
}

TEST_F(ProfileTest, NullKeyListsKeysAndNullSectionListsSections) {
    GivenIni("[First]\nalpha=1\nbeta=2\n[Second]\n[first]\ngamma=3\n");
    DWORD count = 0;
    EXPECT_EQ(Listing("FIRST", 16, count).substr(0, 12), "alpha\0beta\0\0"s);
    EXPECT_EQ(count, 11u);
    EXPECT_EQ(Listing("first", 12, count), "alpha\0beta\0\0"s) << "exact fit";
    EXPECT_EQ(count, 11u);
    EXPECT_EQ(Listing("first", 10, count), "alpha\0be\0\0"s) << "cut to size - 2";
    EXPECT_EQ(count, 8u);
    EXPECT_EQ(Listing(nullptr, 32, count).substr(0, 20), "First\0Second\0first\0\0"s);
    EXPECT_EQ(count, 19u);

    const auto emptySection = ReadValue("Second", nullptr, "none");
    EXPECT_EQ(emptySection.text, "none") << "an empty key list gives the default";
}

TEST_F(ProfileTest, IntegerReaderTakesTheLeadingDecimalNumber) {
    GivenIni("[S]\nlead= 42abc\nneg=-5\nword=abc\nempty=\nplus=+8\nquoted=\"12\"\n"
             "hex=0x10\nhuge=99999999999\n");
    EXPECT_EQ(GetPrivateProfileIntA("S", "lead", 7, kIni), 42u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "neg", 7, kIni), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "word", 7, kIni), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "absent", 7, kIni), 7u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "absent", -1, kIni), UINT_MAX);
    EXPECT_EQ(GetPrivateProfileIntA("S", "empty", 7, kIni), 7u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "plus", 7, kIni), 8u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "quoted", 7, kIni), 12u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "hex", 7, kIni), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("S", "huge", 7, kIni), UINT_MAX);
    EXPECT_EQ(GetPrivateProfileIntA("S", "lead", 7, "C:\\Missing.ini"), 7u);
}

TEST_F(ProfileTest, BareFileNameIsInTheCurrentDirectory) {
    ASSERT_EQ(_chdir("C:\\"), 0);
    ASSERT_TRUE(Write("S", "k", "v", "Bare.ini"));
    EXPECT_EQ(qvutest::ReadFile(drive / "Bare.ini"), "[S]\r\nk=v\r\n");
    EXPECT_EQ(Value("S", "k", "bare.INI"), "v");
}

} // namespace
