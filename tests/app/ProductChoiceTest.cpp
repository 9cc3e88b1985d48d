#include "app/SelectProductDlg.h"

#include "tests/support/TempRoot.h"
#include "tests/support/TranslationsXml.h"

#include <gtest/gtest.h>

namespace {

class ProductChoiceTest : public testing::Test {
protected:
    std::vector<std::string> Names(const ProductChoice& choice) const {
        std::vector<std::string> names;
        for (const ProductChoiceEntry& entry : choice.Entries())
            names.push_back(entry.name);
        return names;
    }

    UINT Remembered() const { return profile.GetProfileIntA("", "LastSelectedProduct", 0); }

    qvutest::TempRoot root;
    ApplicationProfile profile{"QVUUpdate"};
    XMLLocalizer texts;
    const ProductSet olvin3Dorvane4Zetra5 = Olvin3 | Dorvane4 | Zetra5;
};

TEST_F(ProductChoiceTest, NewestSeriesFirstAndFirstPreselected) {
    const ProductChoice choice(olvin3Dorvane4Zetra5, profile, texts);
    EXPECT_EQ(Names(choice), (std::vector<std::string>{"Quorvane Zetra 5", "Quorvane Dorvane 4",
                                                       "Quorvane Olvin 3"}));
    EXPECT_EQ(choice.Entries()[1].product, Dorvane4);
    EXPECT_EQ(choice.PreselectedIndex(), 0u);
    EXPECT_EQ(choice.ChosenProduct(), NoProduct);
}

TEST_F(ProductChoiceTest, WithinASeriesTheCatalogueOrder) {
    const ProductChoice choice(Hulo4 | Zetra4 | Dorvane4 | Dorvane4Zo | Olvin4 | Dorvane3Zo,
                               profile, texts);
    ASSERT_EQ(choice.Entries().size(), 6u);
    const std::vector<Product> expected{Olvin4, Dorvane4Zo, Dorvane4, Zetra4, Hulo4, Dorvane3Zo};
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(choice.Entries()[i].product, expected[i]) << i;
    EXPECT_EQ(choice.Entries().back().name, "Quorvane Dorvane Zo");
}

TEST_F(ProductChoiceTest, LastConfirmedProductIsPreselected) {
    ASSERT_TRUE(profile.WriteProfileIntA("", "LastSelectedProduct", Dorvane4));
    EXPECT_EQ(ProductChoice(olvin3Dorvane4Zetra5, profile, texts).PreselectedIndex(), 1u);
    // Not installed now, several products at once, or not a product: the first entry.
    for (int last : {static_cast<int>(Hulo5), static_cast<int>(Olvin3 | Zetra5), -1}) {
        ASSERT_TRUE(profile.WriteProfileIntA("", "LastSelectedProduct", last));
        EXPECT_EQ(ProductChoice(olvin3Dorvane4Zetra5, profile, texts).PreselectedIndex(), 0u)
            << last;
    }
}

TEST_F(ProductChoiceTest, ConfirmingRemembersTheChoice) {
    ProductChoice choice(olvin3Dorvane4Zetra5, profile, texts);
    EXPECT_EQ(choice.Choose(2), Olvin3);
    EXPECT_EQ(choice.ChosenProduct(), Olvin3);
    EXPECT_EQ(Remembered(), 1u);
    EXPECT_EQ(ProductChoice(olvin3Dorvane4Zetra5, profile, texts).PreselectedIndex(), 2u);
}

TEST_F(ProductChoiceTest, CancelAndStrayPicksStoreNothing) {
    ASSERT_TRUE(profile.WriteProfileIntA("", "LastSelectedProduct", Zetra5));
    ProductChoice choice(olvin3Dorvane4Zetra5, profile, texts);
    EXPECT_FALSE(choice.Cancel());
    EXPECT_EQ(choice.Choose(3), NoProduct);
    EXPECT_EQ(choice.ChosenProduct(), NoProduct);
    EXPECT_EQ(Remembered(), static_cast<UINT>(Zetra5));

    ProductChoice empty(NoProduct, profile, texts);
    EXPECT_TRUE(empty.Entries().empty());
    EXPECT_EQ(empty.Choose(empty.PreselectedIndex()), NoProduct);
    EXPECT_EQ(Remembered(), static_cast<UINT>(Zetra5));
}

TEST_F(ProductChoiceTest, CaptionAndPromptFromTheTranslationTable) {
    const qvutest::UserLanguage english("en_US.UTF-8");
    texts.ParseXml(
        qvutest::TranslationsXml(qvutest::Item("SELECTPROD_HEADLINE", "<English>Pick</English>") +
                                 qvutest::Item("SELECTPROD_TEXT", "<English>Which one?</English>"))
            .c_str());
    const ProductChoice choice(olvin3Dorvane4Zetra5, profile, texts);
    EXPECT_EQ(choice.Caption(), "Pick");
    EXPECT_EQ(choice.Prompt(), "Which one?");
}

} // namespace
