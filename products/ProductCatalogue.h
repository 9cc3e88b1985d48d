// The products this update manager serves and the constant facts about each:
// where its installation is recorded, how it is named and labelled, and
// which web pages belong to it.
#pragma once

#include <array>
#include <cstdint>

// One bit each, so that a set of installed products is their bitwise OR.
enum Product : std::uint32_t {
    NoProduct = 0,
    Olvin3 = 0x0001,
    Dorvane3Zo = 0x0002,
    Dorvane3 = 0x0004,
    Zetra3 = 0x0008,
    Hulo3 = 0x0010,
    Olvin4 = 0x0020,
    Dorvane4Zo = 0x0040,
    Dorvane4 = 0x0080,
    Zetra4 = 0x0100,
    Hulo4 = 0x0200,
    Olvin5 = 0x0400,
    Dorvane5Zo = 0x0800,
    Dorvane5 = 0x1000,
    Zetra5 = 0x2000,
    Hulo5 = 0x4000,
};

// Any number of products, or none.
using ProductSet = std::uint32_t;

// The version-numbering lines of the installed program's file version: the
// Zo editions count like Dorvane, Hulo Fernwick like Hulo.
enum class EditionLine { Olvin, Dorvane, Zetra, Hulo, None };

constexpr int kEditionLineCount = 4;

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
