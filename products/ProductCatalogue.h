// The constant facts about every product: where its installation is
// recorded, how it is named and labelled, and which web pages belong to it.
#pragma once

#include "products/Product.h"

#include <array>
#include <cstdint>

struct ProductInfo {
    Product Value;
    // The product's section in the update description file.
    const char* ShortId;
    int Series;
    // Below HKEY_LOCAL_MACHINE, ending with a backslash: subkey names follow directly.
    const char* RegistryKey;
    // The product's entry in the product selection list.
    const char* SelectionName;
    // The version labels: first the short version, then the full one (the build).
    const char* DisplayFormat;
    // Whose edition version fills the short version of the installed-version label.
    EditionLine Edition;
    // Translation item ids of the product's web pages; "" for none.
    const char* UpdatePageItem;
    const char* HistoryPageItem;
};

constexpr std::size_t kProductCount = 15;

// The fifteen rows in ascending value order.
extern const std::array<ProductInfo, kProductCount> ProductCatalogue;
// Answers every value that is not one of the fifteen.
extern const ProductInfo FallbackProductInfo;

// The row of product, or the fallback row.
const ProductInfo& FindProduct(Product product);
// True when value is exactly one of the fifteen products (not none, not several).
bool IsCatalogued(std::uint32_t value);
// The fifteen products in ascending value order, the order of detection.
const std::array<Product, kProductCount>& AllProducts();
// The order of the product selection list: newest series first, within a
// series ascending value.
const std::array<Product, kProductCount>& SelectionOrder();
