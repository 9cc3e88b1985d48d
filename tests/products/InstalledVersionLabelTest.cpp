#include "platform/dialog_controls.h"
#include "products/ProductDetection.h"
#include "tests/products/ProductsFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace qvutest {
namespace {

class InstalledVersionLabelTest : public ProductsTest {
protected:
    void TearDown() override { platform::ForgetDialogControls(dialog); }

    // Shows the installed version of product, whose program folder holds a
    // module of the given FileVersion, and answers the label's text.
    std::string Show(Product product, const char* fileVersion) {
        selection.Selected = product;
        selection.InstallationFolder = "C:\\Programs\\";
        if (fileVersion)
            MakeModule("C:\\Programs\\QVVer.dll", fileVersion);
        ShowInstalledVersion(dialog, 1001, selection);
        char text[256];
        GetDlgItemTextA(dialog, 1001, text, sizeof text);
        return text;
    }

    HWND dialog = reinterpret_cast<HWND>(0x1001);
    ProductSelection selection;
};

TEST_F(InstalledVersionLabelTest, ShowsTheProductsNameWithEditionAndFileVersion) {
    EXPECT_EQ(Show(Olvin5, "5,1,2,1234"), "Quorvane Olvin 5.1.2.1234 (Build 5.1.2.1234)");
    EXPECT_EQ(selection.InstalledVersion, "5.1.2.1234");
}

TEST_F(InstalledVersionLabelTest, ShortVersionIsTheProductLinesOwn) {
    EXPECT_EQ(Show(Hulo4, "3.8.2.0"), "Quorvane Hulo Fernwick 1.28 (Build 3.8.2.0)");
    EXPECT_EQ(Show(Dorvane4Zo, "4.2.0.0"), "Quorvane Dorvane 4.2 Zo (Build 4.2.0.0)");
    EXPECT_EQ(Show(Zetra3, "2.5.0.0"), "Quorvane Zetra 0.0 (Build 2.5.0.0)");
}

TEST_F(InstalledVersionLabelTest, MissingModuleShowsTheNotFoundTextTwice) {
    selection.InstalledVersion = "5.0.0.0";
    EXPECT_EQ(Show(Olvin5, nullptr),
              "Quorvane Olvin No QVVer.dll found (Build No QVVer.dll found)");
    EXPECT_EQ(selection.InstalledVersion, "No QVVer.dll found");
}

TEST_F(InstalledVersionLabelTest, ProductOutsideTheCatalogueShowsTheFileVersionTwice) {
    EXPECT_EQ(Show(NoProduct, "5.0.1.2"), "Quorvane 5.0.1.2 (Build 5.0.1.2)");
}

} // namespace
} // namespace qvutest
