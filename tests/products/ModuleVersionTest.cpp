#include "products/ProductDetection.h"
#include "tests/products/ProductsFixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <string>

namespace qvutest {
namespace {

using ModuleVersionTest = ProductsTest;

void ExpectNotFound(const ModuleVersionInfo& info) {
    EXPECT_EQ(info.fileVersion, "No QVVer.dll found");
    for (const std::string& edition : info.editionVersion)
        EXPECT_EQ(edition, "No QVVer.dll found");
}

struct EditionCase {
    const char* fileVersionString;
    const char* fileVersion;
    const char* olvinAndDorvane;
    const char* zetra;
    const char* hulo;
};

// Cases are named and printed by the module's file version, so their names
// stay the same from build to build.
void PrintTo(const EditionCase& row, std::ostream* out) {
    *out << '"' << row.fileVersionString << '"';
}

std::string CaseName(const ::testing::TestParamInfo<EditionCase>& info) {
    std::string name = "Version_";
    for (const char c : std::string(info.param.fileVersionString))
        name += (c >= '0' && c <= '9') ? c : '_';
    return name;
}

class EditionVersionTest : public ProductsTest,
                           public ::testing::WithParamInterface<EditionCase> {};

TEST_P(EditionVersionTest, ModulesFileVersionGivesEveryLinesVersion) {
    const EditionCase& row = GetParam();
    MakeModule("C:\\Programs\\QVVer.dll", row.fileVersionString);
    ReadModuleVersion("C:\\Programs\\");
    const ModuleVersionInfo info = CurrentModuleVersion();
    EXPECT_EQ(info.fileVersion, row.fileVersion);
    EXPECT_EQ(info.EditionVersionOf(EditionLine::Olvin), row.olvinAndDorvane);
    EXPECT_EQ(info.EditionVersionOf(EditionLine::Dorvane), row.olvinAndDorvane);
    EXPECT_EQ(info.EditionVersionOf(EditionLine::Zetra), row.zetra);
    EXPECT_EQ(info.EditionVersionOf(EditionLine::Hulo), row.hulo);
    EXPECT_EQ(info.EditionVersionOf(EditionLine::None), row.fileVersion);
}

INSTANTIATE_TEST_SUITE_P(
    Releases, EditionVersionTest,
    ::testing::Values(EditionCase{"5,1,2,1234", "5.1.2.1234", "5.1.2.1234", "5.1.2.1234",
                                  "5.1.2.1234"},
                      EditionCase{"3.8.2.0", "3.8.2.0", "3.8", "3.8", "1.28"},
                      EditionCase{"3.8.3.0", "3.8.3.0", "3.8", "3.8", "1.28"},
                      EditionCase{"3.8.4.0", "3.8.4.0", "3.8", "3.8", "3.8"},
                      EditionCase{"3.7.9.0", "3.7.9.0", "3.7", "3.7", "1.27"},
                      EditionCase{"3.9.0.0", "3.9.0.0", "3.9", "3.9", "3.9"},
                      EditionCase{"2.5.1.100", "2.5.1.100", "2.5.1.100", "0.0.1.100", "1.8.1.100"},
                      EditionCase{"2.99.0.0", "2.99.0.0", "2.99", "0.0", "2.99"},
                      EditionCase{"1.4.0.0", "1.4.0.0", "1.4", "0.0", "1.4"},
                      EditionCase{"4.3.0.7", "4.3.0.7", "4.3.0.7", "4.3.0.7", "4.3.0.7"},
                      EditionCase{"7.2", "7.2", "0.2", "0.2", "0.2"},
                      EditionCase{"0.0.0.0", "0.0.0.0", "0.0", "0.0", "0.0"}),
    CaseName);

TEST(FileVersionParseTest, ReadsLikeScanfAndKeepsNumbersInRange) {
    const auto numbers = [](const std::string& text) {
        const FileVersionNumbers v = ParseFileVersion(text);
        return std::to_string(v.V1) + "|" + std::to_string(v.V2) + "|" + std::to_string(v.V3) +
               "|" + std::to_string(v.V4);
    };
    EXPECT_EQ(numbers("5.1.2.1234 (release)"), "5|1|2|1234");
    EXPECT_EQ(numbers(" 5. 1.+2.-3"), "5|1|2|-3");
    EXPECT_EQ(numbers("5.x.3.4"), "5|0|0|0");
    EXPECT_EQ(numbers("5..3"), "5|0|0|0");
    EXPECT_EQ(numbers("No QVVer.dll found"), "0|0|0|0");
    EXPECT_EQ(numbers(""), "0|0|0|0");
    EXPECT_EQ(numbers("99999999999.-99999999999.2147483647"), std::to_string(INT_MAX) + "|" +
                                                                  std::to_string(INT_MIN) + "|" +
                                                                  std::to_string(INT_MAX) + "|0");
}

TEST(FileVersionParseTest, HuloNumberingNeverOverflows) {
    const FileVersionNumbers top{2, INT_MAX, 0, 0};
    EXPECT_EQ(EditionVersion(EditionLine::Hulo, top), "1." + std::to_string(INT_MAX + 3LL));
}

TEST_F(ModuleVersionTest, MissingModuleGivesTheNotFoundTextEverywhere) {
    MakeModule("C:\\Programs\\QVVer.dll", "5.1.0.0");
    ReadModuleVersion("C:\\Programs\\");
    ASSERT_EQ(CurrentModuleVersion().fileVersion, "5.1.0.0");
    // Each reading replaces the whole record.
    ReadModuleVersion("C:\\Nowhere\\");
    ExpectNotFound(CurrentModuleVersion());
}

TEST_F(ModuleVersionTest, ModuleThatIsNoProgramIsNotFound) {
    WriteFile(OnDrive("C:\\Programs\\QVVer.dll"), "FileVersion=5.1.2.1234\r\n");
    ReadModuleVersion("C:\\Programs\\");
    ExpectNotFound(CurrentModuleVersion());
}

TEST_F(ModuleVersionTest, ModuleWithoutVersionStringHasAnEmptyVersion) {
    MakeModule("C:\\Programs\\QVVer.dll", "5.1.2.3", "--no-string");
    ReadModuleVersion("C:\\Programs\\");
    const ModuleVersionInfo info = CurrentModuleVersion();
    EXPECT_EQ(info.fileVersion, "");
    EXPECT_EQ(info.EditionVersionOf(EditionLine::Olvin), "0.0");
}

TEST_F(ModuleVersionTest, EmptyFolderLooksForTheBareNameInTheCurrentFolder) {
    MakeVersionDll(std::filesystem::current_path() / "QVVer.dll", "4,2,0,17");
    ReadModuleVersion("");
    EXPECT_EQ(CurrentModuleVersion().fileVersion, "4.2.0.17");
}

// The update manager belongs to the product its project file Varuk.inf
// names; that product's module stands in for a missing one.
class OwnProductModuleTest : public ProductsTest {
protected:
    void SetUp() override {
        ProductsTest::SetUp();
        WriteFile(std::filesystem::current_path() / "Varuk.inf",
                  "[VAZuvedev]\r\nCompany=Kaltrex\r\nProduct=Quorvane Zetra\r\nVersion=5.0\r\n"
                  "ShortId=QVZ\r\n");
        // The settings store keeps its folder without the final backslash.
        Record(Zetra5, "IniFilePath", "C:\\Settings\\Zetra5");
    }
};

TEST_F(OwnProductModuleTest, ModuleIsTakenFromTheOwnProductsProgramFolder) {
    WriteSettingsFile("C:\\Settings\\Zetra5\\",
                      "[VAZuvedev_#_Locations]\r\nBase=C:\\Programs\\Zetra5\\\r\n");
    MakeModule("C:\\Programs\\Zetra5\\QVVer.dll", "5.3.1.200");
    ReadModuleVersion("C:\\Nowhere\\");
    EXPECT_EQ(CurrentModuleVersion().fileVersion, "5.3.1.200");

    // A module where it was asked for comes first.
    MakeModule("C:\\Programs\\Other\\QVVer.dll", "4.0.0.1");
    ReadModuleVersion("C:\\Programs\\Other\\");
    EXPECT_EQ(CurrentModuleVersion().fileVersion, "4.0.0.1");
}

TEST_F(OwnProductModuleTest, NoRecordedProgramFolderMeansNotFound) {
    WriteSettingsFile("C:\\Settings\\Zetra5\\", "[VAZuvedev_#_Locations]\r\nData=C:\\Data\\\r\n");
    MakeModule("C:\\Programs\\Zetra5\\QVVer.dll", "5.3.1.200");
    ReadModuleVersion("C:\\Nowhere\\");
    ExpectNotFound(CurrentModuleVersion());
}

TEST_F(OwnProductModuleTest, WithoutProjectFileThereIsNoSecondLocation) {
    std::filesystem::remove(std::filesystem::current_path() / "Varuk.inf");
    WriteSettingsFile("C:\\Settings\\Zetra5\\",
                      "[VAZuvedev_#_Locations]\r\nBase=C:\\Programs\\Zetra5\\\r\n");
    MakeModule("C:\\Programs\\Zetra5\\QVVer.dll", "5.3.1.200");
    ReadModuleVersion("C:\\Nowhere\\");
    ExpectNotFound(CurrentModuleVersion());
}

} // namespace
} // namespace qvutest
