#include "update/UpdateLog.h"
#include "localization/XMLLocalizer.h"
#include "platform/time.h"
#include "tests/support/TranslationsXml.h"
#include "tests/support/UpdateTestSupport.h"

#include <string>

namespace {

// The bytes a header takes in the file: every line end as CR LF.
std::string Stored(const std::string& text) {
    std::string stored;
    for (const char c : text)
        stored += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return stored;
}

class UpdateLogTest : public qvutest::UpdateTest {
protected:
    UpdateLogTest() {
        localizer.ParseXml(
            qvutest::TranslationsXml(
                qvutest::Item("APP_HEADLINE", "<English>Quorvane Zelvo Update</English>"))
                .c_str());
    }

    // Writes a header into the default folder given; answers whether it was
    // written, and the stored bytes the header must have (the time taken
    // before the call or, across a second's turn, after it).
    bool Create(const std::string& defaultFolder, std::string& logPath, std::string& before,
                std::string& after) const {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        before = Stored(UpdateLogHeader("Quorvane Zelvo Update", now, "5.0.1.17", "5.1.2.1234"));
        const bool created = CreateUpdateLog(kSettingsFolder, "5.0.1.17", "5.1.2.1234", "",
                                             localizer, defaultFolder, logPath);
        GetLocalTime(&now);
        after = Stored(UpdateLogHeader("Quorvane Zelvo Update", now, "5.0.1.17", "5.1.2.1234"));
        return created;
    }

    static std::string TodaysLog(const std::string& folder) {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return UpdateLogPath(folder, now);
    }

    const qvutest::UserLanguage english{"en_US.UTF-8"};
    XMLLocalizer localizer;
};

TEST(UpdateLogTextTest, HeaderAndNameAreFixedByteForByte) {
    const SYSTEMTIME time{2021, 6, 4, 10, 7, 5, 9, 42};
    EXPECT_EQ(UpdateLogPath("E:\\Logs\\", time), "E:\\Logs\\QVUUpdate(2021-06-10).log");
    EXPECT_EQ(UpdateLogHeader("Quorvane Zelvo Update", time, "5.0.1.17", "5.1.2.1234"),
              "============================================================\n"
              "Quorvane Zelvo Update v4.2.4\n"
              "Date: 06/10/2021 - 07:05:09\n"
              "Current Version: 5.0.1.17\n"
              "Update Version : 5.1.2.1234\n"
              "============================================================\n");
}

TEST(UpdateLogTextTest, VersionsShowTheirControlCharacters) {
    const SYSTEMTIME time{2021, 6, 4, 10, 7, 5, 9, 42};
    const std::string header =
        UpdateLogHeader("Quorvane Zelvo Update", time, "5.0\r\n", "5.1\x1b]0;owned\x07\xc2\x9b");
    EXPECT_NE(header.find("Current Version: 5.0\\x0d\\x0a\n"), std::string::npos) << header;
    EXPECT_NE(header.find("Update Version : 5.1\\x1b]0;owned\\x07\\xc2\\x9b\n"), std::string::npos)
        << header;
}

TEST_F(UpdateLogTest, HeadersOfOneDayAppendToOneFileWithCrLf) {
    const std::string folder = std::string(kSettingsFolder) + "Update\\";
    std::string logPath, before, after;
    ASSERT_TRUE(Create(folder, logPath, before, after));
    EXPECT_EQ(logPath, TodaysLog(folder));
    const auto file = SettingsFolder() / "Update" / logPath.substr(folder.size());
    const std::string first = qvutest::ReadFile(file);
    EXPECT_TRUE(first == before || first == after) << first;

    qvutest::WriteFile(file, first + "MSI (s) installer line\r\n");
    std::string secondPath;
    ASSERT_TRUE(Create(folder, secondPath, before, after));
    EXPECT_EQ(secondPath, logPath);
    const std::string both = qvutest::ReadFile(file);
    const std::string kept = first + "MSI (s) installer line\r\n";
    EXPECT_TRUE(both == kept + before || both == kept + after) << both;
}

TEST_F(UpdateLogTest, LogLocationOfTheDataPathIsPreferredAndCreated) {
    qvutest::WriteFile(SettingsFolder() / "Rered.ini",
                       "[VAZuvedev_#_Datapaths]\r\nPath0=D:\\Data\\\r\n");
    qvutest::WriteFile(driveD / "Data" / "QVUD.ini",
                       "[VAZuvedev_#_Locations]\r\nLog=E:\\Logs\\Quorvane\r\n");
    std::string logPath, before, after;
    ASSERT_TRUE(Create("C:\\Unused\\", logPath, before, after));
    EXPECT_EQ(logPath, TodaysLog("E:\\Logs\\Quorvane\\"));
    const std::string name = logPath.substr(std::string("E:\\Logs\\Quorvane\\").size());
    EXPECT_TRUE(std::filesystem::is_regular_file(driveE / "Logs" / "Quorvane" / name));
    EXPECT_FALSE(std::filesystem::exists(driveC / "Unused"));
}

TEST_F(UpdateLogTest, FolderThatCannotBeCreatedFailsButNamesThePath) {
    qvutest::WriteFile(driveC / "Blocked", "a file where the folder should be");
    std::string logPath, before, after;
    EXPECT_FALSE(Create("C:\\Blocked\\Update\\", logPath, before, after));
    EXPECT_EQ(logPath, TodaysLog("C:\\Blocked\\Update\\"));
    EXPECT_EQ(qvutest::ReadFile(driveC / "Blocked"), "a file where the folder should be");
}

} // namespace
