#include "tests/support/UpdateTestSupport.h"
#include "update/UpdateLog.h"

#include <string>

namespace {

class DataLocationTest : public qvutest::UpdateTest {
protected:
    void GivenRered(const std::string& content) const {
        qvutest::WriteFile(SettingsFolder() / "Rered.ini", content);
    }
    std::string Log(bool closingBackslash = true) const {
        return ResolveDataLocation(kSettingsFolder, "Log", closingBackslash);
    }
};

constexpr const char* kLocations = "[VAZuvedev_#_Locations]\r\nLog=E:\\Logs\r\nData=E:\\Data\\\r\n";

TEST_F(DataLocationTest, NoDataPathGivesNothing) {
    EXPECT_EQ(Log(), "") << "no Rered.ini";
    GivenRered("[Other]\r\nPath0=D:\\Data\\\r\n");
    qvutest::WriteFile(driveD / "Data" / "QVUD.ini", kLocations);
    EXPECT_EQ(Log(), "") << "no data path section";
    GivenRered("[VAZuvedev_#_Datapaths]\r\nNextActivePath=1\r\nPath0=D:\\Data\\\r\n");
    EXPECT_EQ(Log(), "") << "the active path is not named";
}

TEST_F(DataLocationTest, FolderNamesItsQvudIniAndAFileNamesItself) {
    qvutest::WriteFile(driveD / "Data" / "QVUD.ini", kLocations);
    GivenRered("[VAZuvedev_#_Datapaths]\r\nPath0=D:\\Data\\\r\n");
    EXPECT_EQ(Log(), "E:\\Logs\\");

    qvutest::WriteFile(driveD / "Data" / "Main.ini", "[VAZuvedev_#_Locations]\r\nLog=E:\\Main\r\n");
    GivenRered("[VAZuvedev_#_Datapaths]\r\nPath0=D:\\Data\\Main.ini\r\n");
    EXPECT_EQ(Log(), "E:\\Main\\");

    GivenRered("[VAZuvedev_#_Datapaths]\r\nPath0=D:\\Data\r\n");
    EXPECT_EQ(Log(), "") << "without its backslash the folder is read as a file";
}

TEST_F(DataLocationTest, ActivePathIsChosenByNumber) {
    qvutest::WriteFile(driveD / "One" / "QVUD.ini", "[VAZuvedev_#_Locations]\r\nLog=E:\\One\r\n");
    qvutest::WriteFile(driveD / "Two" / "QVUD.ini", "[VAZuvedev_#_Locations]\r\nLog=E:\\Two\r\n");
    GivenRered("[VAZuvedev_#_Datapaths]\r\nNextActivePath=2\r\n"
               "Path1=D:\\One\\\r\nPath2=D:\\Two\\\r\n");
    EXPECT_EQ(Log(), "E:\\Two\\");
    GivenRered("[VAZuvedev_#_Datapaths]\r\nNextActivePath=-1\r\nPath0=D:\\One\\\r\n");
    EXPECT_EQ(Log(), "E:\\One\\") << "a negative number reads as 0";
}

TEST_F(DataLocationTest, ClosingBackslashIsAddedOnlyWhenAskedAndMissing) {
    qvutest::WriteFile(driveD / "Data" / "QVUD.ini", kLocations);
    GivenRered("[VAZuvedev_#_Datapaths]\r\nPath0=D:\\Data\\\r\n");
    EXPECT_EQ(Log(true), "E:\\Logs\\");
    EXPECT_EQ(Log(false), "E:\\Logs");
    EXPECT_EQ(ResolveDataLocation(kSettingsFolder, "Data", true), "E:\\Data\\");
    EXPECT_EQ(ResolveDataLocation(kSettingsFolder, "Data", false), "E:\\Data\\");
    EXPECT_EQ(ResolveDataLocation(kSettingsFolder, "Docs", true), "") << "location not named";
}

TEST_F(DataLocationTest, UnreadableDataSettingsGiveNothing) {
    GivenRered("[VAZuvedev_#_Datapaths]\r\nPath0=D:\\Data\\\r\n");
    std::filesystem::create_directories(driveD / "Data");
    EXPECT_EQ(Log(), "") << "folder without QVUD.ini";
    GivenRered("[VAZuvedev_#_Datapaths]\r\nPath0=Q:\\Data\\\r\n");
    EXPECT_EQ(Log(), "") << "unmapped drive";
}

} // namespace
