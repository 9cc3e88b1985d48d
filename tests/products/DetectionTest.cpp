#include "products/ProductDetection.h"
#include "tests/products/ProductsFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace qvutest {
namespace {

using DetectionTest = ProductsTest;

TEST_F(DetectionTest, NothingInstalled) {
    ProductSelection selection;
    selection.Selected = Olvin5; // left over from an earlier detection
    selection.SettingsFolder = "C:\\Old\\";
    DetectInstalledProducts("C:\\Tools\\", selection);
    EXPECT_EQ(selection.Installed, 0u);
    EXPECT_EQ(selection.Selected, NoProduct);
    EXPECT_EQ(selection.SettingsFolder, "");
    EXPECT_FALSE(ReadProductInstallation(Olvin5, nullptr, nullptr));
}

TEST_F(DetectionTest, TwoProductsElsewhereAreInstalledAndNoneIsSelected) {
    Install(Olvin4, "C:\\Settings\\Olvin4\\", "C:\\Programs\\Olvin4\\");
    Install(Hulo5, "C:\\Settings\\Hulo5\\", "C:\\Programs\\Hulo5\\");
    ProductSelection selection;
    DetectInstalledProducts("C:\\Tools\\", selection);
    EXPECT_EQ(selection.Installed, ProductSet{Olvin4 | Hulo5});
    EXPECT_EQ(selection.Selected, NoProduct);
    EXPECT_EQ(selection.SettingsFolder, "");
    EXPECT_EQ(selection.InstallationFolder, "");
}

TEST_F(DetectionTest, RunningFromAProductsFolderSelectsIt) {
    Install(Olvin4, "C:\\Settings\\Olvin4\\", "C:\\Programs\\Olvin4\\");
    Install(Zetra3, "C:\\Settings\\Zetra3\\", "C:\\Programs\\Zetra3\\");
    ProductSelection selection;
    DetectInstalledProducts("C:\\Programs\\Olvin4\\", selection);
    EXPECT_EQ(selection.Installed, ProductSet{Olvin4 | Zetra3});
    EXPECT_EQ(selection.Selected, Olvin4);
    EXPECT_EQ(selection.SettingsFolder, "C:\\Settings\\Olvin4\\");
    EXPECT_EQ(selection.InstallationFolder, "C:\\Programs\\Olvin4\\");

    DetectInstalledProducts("C:\\Settings\\Zetra3\\", selection);
    EXPECT_EQ(selection.Selected, Zetra3);
    EXPECT_EQ(selection.InstallationFolder, "C:\\Programs\\Zetra3\\");
}

TEST_F(DetectionTest, TheLastMatchingProductWins) {
    // Olvin4's program folder is Zetra5's settings folder.
    Install(Olvin4, "C:\\Settings\\Olvin4\\", "C:\\Shared\\");
    Install(Zetra5, "C:\\Shared\\", "C:\\Programs\\Zetra5\\");
    ProductSelection selection;
    DetectInstalledProducts("C:\\Shared\\", selection);
    EXPECT_EQ(selection.Selected, Zetra5);
    EXPECT_EQ(selection.SettingsFolder, "C:\\Shared\\");
    EXPECT_EQ(selection.InstallationFolder, "C:\\Programs\\Zetra5\\");
}

TEST_F(DetectionTest, FoldersAreComparedIgnoringCase) {
    Install(Dorvane5Zo, "C:\\Settings\\Dorvane\\", "C:\\Programs\\Dorvane Zo\\");
    ProductSelection selection;
    DetectInstalledProducts("c:\\PROGRAMS\\dorvane zo\\", selection);
    EXPECT_EQ(selection.Selected, Dorvane5Zo);
    EXPECT_EQ(selection.InstallationFolder, "C:\\Programs\\Dorvane Zo\\");
}

TEST_F(DetectionTest, RecordedSettingsFolderWithoutSettingsFileIsNotInstalled) {
    Record(Zetra4, "IniFilePath", "C:\\Settings\\Zetra4\\");
    Record(Zetra4, "InstallPath", "C:\\Programs\\Zetra4\\");
    std::filesystem::create_directories(OnDrive("C:\\Settings\\Zetra4\\"));
    std::string settings = "unchanged";
    EXPECT_FALSE(ReadProductInstallation(Zetra4, &settings, nullptr));
    EXPECT_EQ(settings, "unchanged");

    ProductSelection selection;
    DetectInstalledProducts("C:\\Programs\\Zetra4\\", selection);
    EXPECT_EQ(selection.Installed, 0u);
    EXPECT_EQ(selection.Selected, NoProduct);
}

TEST_F(DetectionTest, ProgramFolderComesFromTheSettingsFileWhenNotRecorded) {
    Record(Hulo3, "IniFilePath", "C:\\Settings\\Hulo3\\");
    WriteSettingsFile("C:\\Settings\\Hulo3\\",
                      "[VAZuvedev_#_Locations]\r\nBase=C:\\Programs\\Hulo3\\\r\n");
    std::string settings;
    std::string installation;
    ASSERT_TRUE(ReadProductInstallation(Hulo3, &settings, &installation));
    EXPECT_EQ(settings, "C:\\Settings\\Hulo3\\");
    EXPECT_EQ(installation, "C:\\Programs\\Hulo3\\");
}

TEST_F(DetectionTest, ProgramFolderRecordedNowhereIsEmptyAndMatchesNothing) {
    Record(Hulo3, "IniFilePath", "C:\\Settings\\Hulo3\\");
    WriteSettingsFile("C:\\Settings\\Hulo3\\", "[VAZuvedev_#_Locations]\r\nOther=1\r\n");
    std::string installation = "unchanged";
    ASSERT_TRUE(ReadProductInstallation(Hulo3, nullptr, &installation));
    EXPECT_EQ(installation, "");

    ProductSelection selection;
    DetectInstalledProducts("", selection);
    EXPECT_EQ(selection.Installed, ProductSet{Hulo3});
    EXPECT_EQ(selection.Selected, NoProduct);
}

TEST_F(DetectionTest, FoldersRecordedWithoutFinalBackslashGetOne) {
    Record(Olvin5, "IniFilePath", "C:\\Settings\\Olvin5");
    Record(Olvin5, "InstallPath", "C:\\Programs\\Olvin5");
    WriteSettingsFile("C:\\Settings\\Olvin5\\");
    ProductSelection selection;
    DetectInstalledProducts("C:\\Programs\\Olvin5\\", selection);
    EXPECT_EQ(selection.Selected, Olvin5);
    EXPECT_EQ(selection.SettingsFolder, "C:\\Settings\\Olvin5\\");
    EXPECT_EQ(selection.InstallationFolder, "C:\\Programs\\Olvin5\\");
}

TEST_F(DetectionTest, EmptyOrOverlongSettingsFolderIsNotInstalled) {
    // Rered.ini in the current folder must not make an empty record count.
    WriteFile(std::filesystem::current_path() / "Rered.ini", "");
    Record(Olvin3, "IniFilePath", "");
    EXPECT_FALSE(ReadProductInstallation(Olvin3, nullptr, nullptr));

    // A folder that exists, but whose name does not fit the value's room.
    std::string overlong = "C:\\";
    while (overlong.size() < 300)
        overlong += "abcdefghi\\";
    WriteSettingsFile(overlong);
    Record(Olvin3, "IniFilePath", overlong);
    EXPECT_FALSE(ReadProductInstallation(Olvin3, nullptr, nullptr));
}

TEST_F(DetectionTest, ValuesOutsideTheCatalogueAreNeverInstalled) {
    EXPECT_FALSE(ReadProductInstallation(NoProduct, nullptr, nullptr));
    EXPECT_FALSE(ReadProductInstallation(static_cast<Product>(Olvin3 | Olvin4), nullptr, nullptr));
}

} // namespace
} // namespace qvutest
