#include "localization/XMLLocalizer.h"
#include "platform/locale.h"
#include "tests/support/TranslationsXml.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using qvutest::Item;
using qvutest::TranslationsXml;
using qvutest::UserLanguage;

const std::string allLanguages = "<English>en</English><Italian>it</Italian>"
                                 "<French>fr</French><Spanish>es</Spanish><German>de</German>";

// The text of an item that has all five languages, for a user of the given locale.
std::string TextFor(const char* locale) {
    const UserLanguage user(locale);
    XMLLocalizer localizer;
    EXPECT_TRUE(localizer.ParseXml(TranslationsXml(Item("X", allLanguages)).c_str()));
    return localizer.GetText("X");
}

TEST(ReadTranslationsTest, PrimaryLanguageOfTheUserChoosesTheTexts) {
    EXPECT_EQ(TextFor("de_CH.UTF-8"), "de") << "Swiss German is German";
    EXPECT_EQ(TextFor("de_DE"), "de");
    EXPECT_EQ(TextFor("it_CH"), "it");
    EXPECT_EQ(TextFor("fr_CA.UTF-8"), "fr");
    EXPECT_EQ(TextFor("es_MX"), "es");
    EXPECT_EQ(TextFor("en_GB"), "en");
    EXPECT_EQ(TextFor("pt_BR.UTF-8"), "en") << "any other language is English";
    EXPECT_EQ(TextFor("eo"), "en") << "a language without a Windows id";
}

TEST(ReadTranslationsTest, UserWithoutLanguageLeavesTheChoiceToTheSystem) {
    const std::map<WORD, std::string> chosen = {
        {LANG_GERMAN, "de"}, {LANG_SPANISH, "es"}, {LANG_FRENCH, "fr"}, {LANG_ITALIAN, "it"}};
    const auto found = chosen.find(PRIMARYLANGID(GetSystemDefaultLangID()));
    const std::string expected = found != chosen.end() ? found->second : "en";
    EXPECT_EQ(TextFor(nullptr), expected);
    EXPECT_EQ(TextFor("C"), expected);
}

TEST(ReadTranslationsTest, ItemWithoutTheUsersLanguageAnswersItsId) {
    const UserLanguage italian("it_IT.UTF-8");
    XMLLocalizer localizer;
    ASSERT_TRUE(localizer.ParseXml(
        TranslationsXml(Item("X", "<English>en</English><German>de</German>")).c_str()));
    EXPECT_EQ(localizer.GetText("X"), "X") << "no other language stands in";
}

TEST(ReadTranslationsTest, NamesOfRootAndLanguagesAreMatchedAsTheyAre) {
    const UserLanguage english("en_US");
    XMLLocalizer localizer;
    EXPECT_TRUE(localizer.ParseXml(
        TranslationsXml(Item("A", "<English>a</English>"), "translations").c_str()))
        << "the root's name is compared ignoring case";
    EXPECT_TRUE(localizer.ParseXml(
        TranslationsXml(Item("B", "<english>b</english>") + Item("c", "<English>c</English>"))
            .c_str()));
    EXPECT_EQ(localizer.GetText("A"), "a");
    EXPECT_EQ(localizer.GetText("B"), "B") << "a language element's name must match exactly";
    EXPECT_EQ(localizer.GetText("c"), "c");
    EXPECT_EQ(localizer.GetText("C"), "C") << "ids are compared exactly";
}

TEST(ReadTranslationsTest, LaterTextOfAnIdWins) {
    const UserLanguage english("en_US");
    XMLLocalizer localizer;
    ASSERT_TRUE(localizer.ParseXml(
        TranslationsXml(Item("A", "<English>first</English><English>second</English>") +
                        Item("B", "<English>old</English>") + Item("B", "<German>de</German>") +
                        Item("C", "<English>old</English>") + Item("C", "<English>new</English>"))
            .c_str()));
    EXPECT_EQ(localizer.GetText("A"), "second");
    EXPECT_EQ(localizer.GetText("B"), "old") << "a later item without the language changes nothing";
    EXPECT_EQ(localizer.GetText("C"), "new");

    // A second document adds to the table.
    ASSERT_TRUE(localizer.ParseXml(TranslationsXml(Item("C", "<English>newer</English>")).c_str()));
    EXPECT_EQ(localizer.GetText("A"), "second");
    EXPECT_EQ(localizer.GetText("C"), "newer");
}

TEST(ReadTranslationsTest, NodesWithoutIdContributeNothing) {
    const UserLanguage english("en_US");
    XMLLocalizer localizer;
    ASSERT_TRUE(localizer.ParseXml(
        TranslationsXml(Item("A", "<English>a</English>") +
                        "<TRANSLATE><English>no id</English></TRANSLATE>"
                        "<TRANSLATE ItemId=\"\"><English>empty id</English></TRANSLATE>"
                        "<TRANSLATE itemid=\"B\"><English>b</English></TRANSLATE>"
                        "<!-- I-translate --> text <![CDATA[<English>cdata</English>]]>")
            .c_str()));
    EXPECT_EQ(localizer.GetText("A"), "a") << "the item before keeps its own text";
    EXPECT_EQ(localizer.GetText(""), "");
    EXPECT_EQ(localizer.GetText("B"), "B") << "the attribute's name must match exactly";
}

TEST(ReadTranslationsTest, TextContentJoinsAllTextOfTheElement) {
    const UserLanguage english("en_US");
    XMLLocalizer localizer;
    ASSERT_TRUE(localizer.ParseXml(
        TranslationsXml(Item("A", "<English>&lt;a&amp;<!-- c --><b>b<i>i</i></b><![CDATA[<c>]]>"
                                  "&#x263A;</English>") +
                        Item("E", "<English/>"))
            .c_str()));
    EXPECT_EQ(localizer.GetText("A"), "<a&bi<c>\xE2\x98\xBA");
    EXPECT_EQ(localizer.GetText("E"), "") << "an empty text is a text";
}

TEST(ReadTranslationsTest, AccentedTextsAndIdsPassInTheNarrowCodePage) {
    const UserLanguage german("de_DE.UTF-8");
    XMLLocalizer localizer;
    ASSERT_TRUE(localizer.ParseXml(
        TranslationsXml(Item("GRÜSSE", "<German>Grüße aus Zürich</German>")).c_str()));
    EXPECT_EQ(localizer.GetText("GRÜSSE"), "Grüße aus Zürich");
}

TEST(ReadTranslationsTest, InvalidUtf8BecomesReplacementCharacters) {
    const UserLanguage english("en_US");
    XMLLocalizer localizer;
    ASSERT_TRUE(localizer.ParseXml(TranslationsXml(Item("A", "<English>a\xFF"
                                                             "b\xC3</English>"))
                                       .c_str()));
    EXPECT_EQ(localizer.GetText("A"), "a\xEF\xBF\xBD"
                                      "b\xEF\xBF\xBD");
}

} // namespace
