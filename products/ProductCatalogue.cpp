#include "products/ProductCatalogue.h"

#include <algorithm>

namespace {

constexpr const char* kOlvinFormat = "Quorvane Olvin %s (Build %s)";
constexpr const char* kDorvaneZoFormat = "Quorvane Dorvane %s Zo (Build %s)";
constexpr const char* kDorvaneFormat = "Quorvane Dorvane %s (Build %s)";
constexpr const char* kZetraFormat = "Quorvane Zetra %s (Build %s)";
constexpr const char* kHuloFormat = "Quorvane Hulo %s (Build %s)";
constexpr const char* kHuloFernwickFormat = "Quorvane Hulo Fernwick %s (Build %s)";

constexpr const char* kOlvinUpdate = "BROWSER_OLVIN_UPDATE";
constexpr const char* kDorvaneUpdate = "BROWSER_DORVANE_UPDATE";
constexpr const char* kZetraUpdate = "BROWSER_ZETRA_UPDATE";
constexpr const char* kHuloUpdate = "BROWSER_HULO_UPDATE";

// Zetra 3 has no history page of its own and shares the Dorvane 3 page, as
// does every value outside the catalogue.
constexpr const char* kDorvane3History = "BROWSER_DORVANE_VERSIONHISTORY";

} // namespace

constinit const std::array<ProductInfo, kProductCount> ProductCatalogue = {{
    {Olvin3, "Olvin3", 3, "Software\\Kaltrex\\Quorvane Olvin\\3.0\\", "Quorvane Olvin 3",
     kOlvinFormat, EditionLine::Olvin, kOlvinUpdate, "BROWSER_OLVIN_VERSIONHISTORY"},
    {Dorvane3Zo, "Dorvane3Zo", 3, "Software\\Kaltrex\\Quorvane Dorvane Zo\\3.0\\",
     "Quorvane Dorvane Zo", kDorvaneZoFormat, EditionLine::Dorvane, kDorvaneUpdate,
     kDorvane3History},
    {Dorvane3, "Dorvane3", 3, "Software\\Kaltrex\\Quorvane Dorvane\\3.0\\", "Quorvane Dorvane 3",
     kDorvaneFormat, EditionLine::Dorvane, kDorvaneUpdate, kDorvane3History},
    {Zetra3, "Zetra3", 3, "Software\\Kaltrex\\Quorvane Zetra\\3.0\\", "Quorvane Zetra 3",
     kZetraFormat, EditionLine::Zetra, kZetraUpdate, kDorvane3History},
    {Hulo3, "Hulo3", 3, "Software\\Kaltrex\\Quorvane Hulo\\3.0\\", "Quorvane Hulo 3", kHuloFormat,
     EditionLine::Hulo, kHuloUpdate, "BROWSER_HULO_VERSIONHISTORY"},
    {Olvin4, "Olvin4", 4, "Software\\Kaltrex\\Quorvane Olvin\\4.0\\", "Quorvane Olvin 4",
     kOlvinFormat, EditionLine::Olvin, kOlvinUpdate, "BROWSER_OLVIN4_VERSIONHISTORY"},
    {Dorvane4Zo, "Dorvane4Zo", 4, "Software\\Kaltrex\\Quorvane Dorvane Zo\\4.0\\",
     "Quorvane Dorvane 4 Zo", kDorvaneZoFormat, EditionLine::Dorvane, kDorvaneUpdate,
     "BROWSER_DORVANE4_VERSIONHISTORY"},
    {Dorvane4, "Dorvane4", 4, "Software\\Kaltrex\\Quorvane Dorvane\\4.0\\", "Quorvane Dorvane 4",
     kDorvaneFormat, EditionLine::Dorvane, kDorvaneUpdate, "BROWSER_DORVANE4_VERSIONHISTORY"},
    {Zetra4, "Zetra4", 4, "Software\\Kaltrex\\Quorvane Zetra\\4.0\\", "Quorvane Zetra 4",
     kZetraFormat, EditionLine::Zetra, kZetraUpdate, "BROWSER_ZETRA4_VERSIONHISTORY"},
    {Hulo4, "Hulo4", 4, "Software\\Kaltrex\\Quorvane Hulo Fernwick\\4.0\\",
     "Quorvane Hulo Fernwick 4", kHuloFernwickFormat, EditionLine::Hulo, kHuloUpdate,
     "BROWSER_HULO4_VERSIONHISTORY"},
    {Olvin5, "Olvin5", 5, "Software\\Kaltrex\\Quorvane Olvin\\5.0\\", "Quorvane Olvin 5",
     kOlvinFormat, EditionLine::Olvin, kOlvinUpdate, "BROWSER_OLVIN5_VERSIONHISTORY"},
    {Dorvane5Zo, "Dorvane5Zo", 5, "Software\\Kaltrex\\Quorvane Dorvane Zo\\5.0\\",
     "Quorvane Dorvane 5 Zo", kDorvaneZoFormat, EditionLine::Dorvane, kDorvaneUpdate,
     "BROWSER_DORVANE5_VERSIONHISTORY"},
    {Dorvane5, "Dorvane5", 5, "Software\\Kaltrex\\Quorvane Dorvane\\5.0\\", "Quorvane Dorvane 5",
     kDorvaneFormat, EditionLine::Dorvane, kDorvaneUpdate, "BROWSER_DORVANE5_VERSIONHISTORY"},
    {Zetra5, "Zetra5", 5, "Software\\Kaltrex\\Quorvane Zetra\\5.0\\", "Quorvane Zetra 5",
     kZetraFormat, EditionLine::Zetra, kZetraUpdate, "BROWSER_ZETRA5_VERSIONHISTORY"},
    {Hulo5, "Hulo5", 5, "Software\\Kaltrex\\Quorvane Hulo Fernwick\\5.0\\",
     "Quorvane Hulo Fernwick 5", kHuloFernwickFormat, EditionLine::Hulo, kHuloUpdate,
     "BROWSER_HULO5_VERSIONHISTORY"},
}};

constinit const ProductInfo FallbackProductInfo = {
    NoProduct, "---", 0, "", "", "Quorvane %s (Build %s)", EditionLine::None, "", kDorvane3History,
};

const ProductInfo& FindProduct(Product product) {
    const auto found =
        std::find_if(ProductCatalogue.begin(), ProductCatalogue.end(),
                     [product](const ProductInfo& row) { return row.Value == product; });
    return found != ProductCatalogue.end() ? *found : FallbackProductInfo;
}

bool IsCatalogued(std::uint32_t value) {
    return FindProduct(static_cast<Product>(value)).Value != NoProduct;
}

const std::array<Product, kProductCount>& AllProducts() {
    static const std::array<Product, kProductCount> products = [] {
        std::array<Product, kProductCount> values{};
        std::transform(ProductCatalogue.begin(), ProductCatalogue.end(), values.begin(),
                       [](const ProductInfo& row) { return row.Value; });
        return values;
    }();
    return products;
}

const std::array<Product, kProductCount>& SelectionOrder() {
    static const std::array<Product, kProductCount> order = {
        Olvin5, Dorvane5Zo, Dorvane5, Zetra5,     Hulo5,    Olvin4, Dorvane4Zo, Dorvane4,
        Zetra4, Hulo4,      Olvin3,   Dorvane3Zo, Dorvane3, Zetra3, Hulo3,
    };
    return order;
}
