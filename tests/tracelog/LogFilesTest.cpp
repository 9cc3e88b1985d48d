#include "tests/support/MessageBoxRecorder.h"
#include "tests/tracelog/TraceLogFixture.h"
#include "tracelog/LogFileCleanup.h"
#include "tracelog/TraceLog.h"

namespace {

using qvutest::TraceLogTest;
namespace fs = std::filesystem;

TEST_F(TraceLogTest, OldLogsArchivesAndDumpsGoOnTheCutOffDate) {
    const fs::path folder = drive / "Logs";
    struct Case {
        const char* name;
        bool deleted;
    };
    const Case cases[] = {
        {"QVUU(2023-12-14).log", true},       {"QVUU(2023-12-15).log", false},
        {"QV(2023-12-14).log", true},         {"QV(2023-12-15).log", false},
        {"QVUpdat(2023-12-14).log", true},    {"QVUpdat(2023-12-15).log", false},
        {"QVUUpdate(2021-06-01).log", true},  {"QVUUpdate(2022-06-01).log", false},
        {"QVUUpdate(1999-06-01).log", false}, {"logs(2023-11-30).zip", true},
        {"logs(2023-12-15).zip", false},      {"abcd(2023-12-01).dmp", true},
        {"abcd(2023-12-15).dmp", false},      {"short(1).log", false},
        {"QVUU(2023-12-14).txt", false},      {"other.log", false},
    };
    for (const Case& c : cases)
        qvutest::WriteFile(folder / c.name, "x");
    fs::create_directories(folder / "QVUU(2020-01-01).log");
    // As start-up on 15 January 2024 computes it: one month back.
    DeleteOldLogFiles("C:\\Logs\\", 2023, 12, 15);
    for (const Case& c : cases)
        EXPECT_EQ(!fs::exists(folder / c.name), c.deleted) << c.name;
    EXPECT_TRUE(fs::exists(folder / "QVUU(2020-01-01).log")) << "folders stay";
    DeleteOldLogFiles("", 2030, 1, 1);
}

// The local folder moves with the data path's INI file to another drive;
// a server folder must be a usable "\Log\" folder other than the local one.
TEST_F(TraceLogTest, LogFoldersFollowTheActiveDataPath) {
    struct Case {
        const char* what;
        std::string log, logServer, dataRoot, iniPath;
        std::vector<std::string> folders; // created below the drive folders
        std::string localLog;             // where today's file is expected
        std::string serverLog;            // "" : no server logging
    };
    const Case cases[] = {
        {"moved data path",
         "E:\\Data\\Log\\",
         "",
         "E:\\Data\\",
         "D:\\Data\\Main.ini",
         {"D/Data/Log", "E/Data/Log"},
         "D/Data/Log/",
         ""},
        {"not moved without the folder",
         "E:\\Data\\Log\\",
         "",
         "E:\\Data\\",
         "D:\\Data\\Main.ini",
         {"D/Data", "E/Data/Log"},
         "E/Data/Log/",
         ""},
        {"unusable log folder: the INI folder",
         "E:\\Nowhere\\",
         "",
         "E:\\Data\\",
         "C:\\Data\\Main.ini",
         {},
         "C/Data/",
         ""},
        {"no final backslash", "C:\\Logs", "", "", "C:\\Data\\Main.ini", {"C/Logs"}, "C/Logs", ""},
        {"server share",
         "C:\\Logs\\",
         "\\\\server\\share\\Log\\",
         "",
         "C:\\Data\\Main.ini",
         {"C/Logs", "S/Log"},
         "C/Logs/",
         "S/Log/"},
        {"server folder not ending in Log",
         "C:\\Logs\\",
         "\\\\server\\share\\Logs\\",
         "",
         "C:\\Data\\Main.ini",
         {"C/Logs", "S/Logs"},
         "C/Logs/",
         ""},
        {"data root on QuorvaneD$",
         "C:\\Logs\\",
         "",
         "\\\\server\\QuorvaneD$\\Archive\\",
         "C:\\Data\\Main.ini",
         {"C/Logs", "Q/Archive/Log"},
         "C/Logs/",
         "Q/Archive/Log/"},
        {"data root on QuorvaneD$ without its Log",
         "C:\\Logs\\",
         "",
         "\\\\server\\QuorvaneD$\\Archive\\",
         "C:\\Data\\Main.ini",
         {"C/Logs"},
         "C/Logs/",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tracelog::ResetTraceLogState();
        qvutest::TempRoot machine;
        const fs::path folders[] = {machine.MapDrive('C'), machine.MapDrive('D'),
                                    machine.MapDrive('E'), machine.MapShare("server", "share"),
                                    machine.MapShare("server", "QuorvaneD$")};
        const auto native = [&](const std::string& path) {
            const std::string drives = "CDESQ";
            return folders[drives.find(path[0])].string() + path.substr(1);
        };
        fs::create_directories(folders[0] / "Data");
        for (const std::string& folder : c.folders)
            fs::create_directories(native(folder));
        QVRegistry store("VAZuvedev", nullptr);
        ASSERT_EQ(store.WriteRegistry(HKEY_LOCAL_MACHINE, "IniFilePath", "C:\\Data\\", false), 0);
        SetDataPath(c.log, c.logServer, c.dataRoot, c.iniPath);

        TraceLog(0).Write(0, "line", false);
        EXPECT_EQ(Lines(native(c.localLog) + TodaysLogName()).size(), 2u) << c.localLog;
        TraceLog::StopLogging(false, false);
        if (!c.serverLog.empty()) {
            EXPECT_EQ(Lines(native(c.serverLog) + TodaysLogName()).size(), 2u) << c.serverLog;
        }
        tracelog::ResetTraceLogState();
    }
}

TEST_F(TraceLogTest, ALogFileThatCannotBeOpenedIsReportedOnce) {
    qvutest::MessageBoxRecorder boxes;
    fs::create_directories(LocalLog()); // a folder in the file's place
    TraceLog log(0);
    log.Write(0, "lost", true);
    log.Write(0, "lost too", true);
    const auto shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Log Error");
    EXPECT_EQ(shown[0].type, MB_ICONERROR | MB_OK);
    EXPECT_EQ(shown[0].text.rfind("Error creating or opening the trace log file (working Dir:", 0),
              0u);
    EXPECT_NE(
        shown[0].text.find("C:\\Data\\" + TodaysLogName() + "\nLogging is disabled\n error Code "),
        std::string::npos)
        << shown[0].text;
    // Once the file can be opened, the next line starts the log.
    fs::remove(LocalLog());
    log.Write(0, "written", false);
    EXPECT_EQ(Lines(LocalLog()).back(), "written");
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

TEST_F(TraceLogTest, WithoutAUsableFolderTheLogGoesToTheCurrentDirectory) {
    QVRegistry store("VAZuvedev", nullptr);
    ASSERT_EQ(store.WriteRegistry(HKEY_LOCAL_MACHINE, "IniFilePath", "Y:\\Nowhere\\", false), 0);
    TraceLog(0).Write(0, "here", false);
    EXPECT_EQ(Lines(root.Folder() / TodaysLogName()).back(), "here");
}

// A folder whose path leaves no room for the file name in the path buffer is
// refused like a file that cannot be opened, instead of naming another file.
TEST_F(TraceLogTest, ALogPathTooLongForItsBufferIsNotOpened) {
    qvutest::MessageBoxRecorder boxes;
    const std::string part(200, 'p');
    fs::create_directories(drive / part / part / part);
    SetDataPath("C:\\" + part + "\\" + part + "\\" + part + "\\", "");
    TraceLog log(0);
    for (int i = 0; i < 3; ++i)
        log.Write(0, "lost", true);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_NE(boxes.Boxes()[0].text.find("error Code 206"), std::string::npos);
    EXPECT_STREQ(TraceLog::GetLastLogEntry(), "");
    EXPECT_TRUE(fs::is_empty(drive / part / part / part));
}

} // namespace
