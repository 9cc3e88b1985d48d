#include "products/ProductCatalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <set>
#include <string>

namespace {

TEST(CatalogueTest, ValuesOutsideTheCatalogueAnswerTheFallbackRow) {
    for (const std::uint32_t value : {0x0000u, 0x0003u, 0x8000u, 0x0801u, 0xFFFFFFFFu}) {
        const ProductInfo& info = FindProduct(static_cast<Product>(value));
        EXPECT_EQ(&info, &FallbackProductInfo) << value;
        EXPECT_STREQ(info.ShortId, "---");
        EXPECT_STREQ(info.DisplayFormat, "Quorvane %s (Build %s)");
        EXPECT_STREQ(info.HistoryPageItem, "BROWSER_DORVANE_VERSIONHISTORY");
        EXPECT_STREQ(info.UpdatePageItem, "");
        EXPECT_STREQ(info.RegistryKey, "");
        EXPECT_EQ(info.Edition, EditionLine::None);
        EXPECT_FALSE(IsCatalogued(value)) << value;
    }
}

TEST(CatalogueTest, EveryProductIsOneOfTheLowFifteenBitsAndFindsItsOwnRow) {
    std::uint32_t seen = 0;
    for (const Product product : AllProducts()) {
        EXPECT_EQ(std::popcount(static_cast<std::uint32_t>(product)), 1);
        EXPECT_TRUE(IsCatalogued(product));
        EXPECT_EQ(FindProduct(product).Value, product);
        seen |= product;
    }
    EXPECT_EQ(seen, 0x7FFFu);
    EXPECT_TRUE(std::is_sorted(AllProducts().begin(), AllProducts().end()));
    EXPECT_TRUE(IsCatalogued(0x0800));
    EXPECT_FALSE(IsCatalogued(0x0801));
}

TEST(CatalogueTest, RowsAreDistinctAndRegistryKeysTakeSubkeysDirectly) {
    std::set<std::string> shortIds;
    std::set<std::string> registryKeys;
    for (const ProductInfo& row : ProductCatalogue) {
        shortIds.insert(row.ShortId);
        registryKeys.insert(row.RegistryKey);
        const std::string key = row.RegistryKey;
        EXPECT_EQ(key.rfind("Software\\Kaltrex\\Quorvane ", 0), 0u) << key;
        EXPECT_EQ(key.back(), '\\') << key;
        EXPECT_NE(key.find(std::to_string(row.Series) + ".0\\"), std::string::npos) << key;
    }
    EXPECT_EQ(shortIds.size(), kProductCount);
    EXPECT_EQ(registryKeys.size(), kProductCount);
}

TEST(CatalogueTest, NamesThatDoNotFollowTheShortIds) {
    EXPECT_STREQ(FindProduct(Hulo4).ShortId, "Hulo4");
    EXPECT_STREQ(FindProduct(Hulo5).SelectionName, "Quorvane Hulo Fernwick 5");
    EXPECT_STREQ(FindProduct(Hulo5).RegistryKey,
                 "Software\\Kaltrex\\Quorvane Hulo Fernwick\\5.0\\");
    EXPECT_STREQ(FindProduct(Hulo3).DisplayFormat, "Quorvane Hulo %s (Build %s)");
    EXPECT_STREQ(FindProduct(Dorvane3Zo).SelectionName, "Quorvane Dorvane Zo");
    EXPECT_STREQ(FindProduct(Dorvane4Zo).SelectionName, "Quorvane Dorvane 4 Zo");
    EXPECT_STREQ(FindProduct(Dorvane5Zo).DisplayFormat, "Quorvane Dorvane %s Zo (Build %s)");
    EXPECT_EQ(FindProduct(Dorvane5Zo).Edition, EditionLine::Dorvane);
}

TEST(CatalogueTest, SharedWebPages) {
    EXPECT_STREQ(FindProduct(Zetra3).HistoryPageItem, "BROWSER_DORVANE_VERSIONHISTORY");
    EXPECT_STREQ(FindProduct(Zetra3).UpdatePageItem, "BROWSER_ZETRA_UPDATE");
    EXPECT_STREQ(FindProduct(Dorvane4Zo).HistoryPageItem, FindProduct(Dorvane4).HistoryPageItem);
    EXPECT_STREQ(FindProduct(Olvin3).UpdatePageItem, FindProduct(Olvin5).UpdatePageItem);
    EXPECT_STREQ(FindProduct(Zetra5).HistoryPageItem, "BROWSER_ZETRA5_VERSIONHISTORY");
}

TEST(CatalogueTest, SelectionOrderOffersNewestSeriesFirst) {
    const auto& order = SelectionOrder();
    EXPECT_TRUE(std::is_permutation(order.begin(), order.end(), AllProducts().begin()));
    EXPECT_EQ(order.front(), Olvin5);
    EXPECT_EQ(order.back(), Hulo3);
    for (std::size_t i = 1; i < order.size(); ++i) {
        const ProductInfo& before = FindProduct(order[i - 1]);
        const ProductInfo& after = FindProduct(order[i]);
        EXPECT_TRUE(before.Series > after.Series ||
                    (before.Series == after.Series && before.Value < after.Value))
            << before.ShortId << " before " << after.ShortId;
    }
}

} // namespace
