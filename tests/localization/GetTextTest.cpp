#include "localization/XMLLocalizer.h"
#include "tests/support/TranslationsXml.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The text shown for an item whose English text is stored as given.
std::string Shown(const std::string& stored) {
    const qvutest::UserLanguage english("en_US.UTF-8");
    XMLLocalizer localizer;
    EXPECT_TRUE(localizer.ParseXml(
        qvutest::TranslationsXml(qvutest::Item("X", "<English>" + stored + "</English>")).c_str()));
    return localizer.GetText("X");
}

TEST(GetTextTest, IdsWithoutTextAnswerThemselvesAndNullAnswersEmpty) {
    XMLLocalizer localizer;
    EXPECT_EQ(localizer.GetText(nullptr), "");
    EXPECT_EQ(localizer.GetText("APP_START"), "APP_START");
    EXPECT_EQ(localizer.GetText("\\n{"), "\\n{") << "an unknown id is not processed";
    EXPECT_EQ(localizer.GetText(""), "");
}

TEST(GetTextTest, LinesOfTheDocumentAreJoined) {
    EXPECT_EQ(Shown("a\\n\n\t\tb"), "a\nb") << "after an escaped line end the break vanishes";
    EXPECT_EQ(Shown("a\\r\n\tb"), "a\rb");
    EXPECT_EQ(Shown("a\n\tb"), "a b") << "a break and its tabs become one blank";
    EXPECT_EQ(Shown("a\n b"), "a  b") << "blanks are not indentation";
    EXPECT_EQ(Shown("a\nb\n\t\tc"), "a b c");
    EXPECT_EQ(Shown("a\n\nb"), "a  b");
    EXPECT_EQ(Shown("\\n\nb"), "\nb");
    EXPECT_EQ(Shown("n\nb"), "n b") << "an n without its backslash is no escape";
    EXPECT_EQ(Shown("\nb"), " b");
}

TEST(GetTextTest, BreaksFollowedOnlyByTabsStay) {
    EXPECT_EQ(Shown("a\n\t\t"), "a\n\t\t");
    EXPECT_EQ(Shown("a\n"), "a\n");
    EXPECT_EQ(Shown("a\n\tb\n\t"), "a b\n\t");
}

TEST(GetTextTest, DocumentLineEndsArriveAsLineFeeds) {
    EXPECT_EQ(Shown("a\r\n\tb"), "a b");
    EXPECT_EQ(Shown("a&#13;b"), "a\rb") << "a stored carriage return is left alone";
}

TEST(GetTextTest, EscapesAreResolved) {
    EXPECT_EQ(Shown("1\\n2\\r3\\t4\\'5\\\"6"), "1\n2\r3\t4'5\"6");
    EXPECT_EQ(Shown("\\x\\\\\\a\\"), "\\x\\\\\\a\\") << "other backslashes stay";
    EXPECT_EQ(Shown("\\\\n"), "\\\n") << "a doubled backslash is no escape of its own";
    EXPECT_EQ(Shown("it\\'s &quot;\\\"&quot;"), "it's \"\"\"");
}

TEST(GetTextTest, TextStartingWithBraceIsShownAsStored) {
    EXPECT_EQ(Shown("{a\\n\n\tb\\t}"), "{a\\n\n\tb\\t}");
    EXPECT_EQ(Shown(" {a\\n}"), " {a\n}") << "only a brace in front counts";
}

} // namespace
