// A machine with one product's settings (application VAZuvedev, INI folder
// C:\Data\) in a temporary root, and a trace log back in its never-started
// state before and after each test.
#pragma once

#include "platform/time.h"
#include "settings/QVRegistry.h"
#include "tests/support/TempRoot.h"
#include "tracelog/internal/TraceLogState.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace qvutest {

class TraceLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        tracelog::ResetTraceLogState();
        drive = root.MapDrive('C');
        std::filesystem::create_directories(drive / "Data");
        std::filesystem::current_path(root.Folder());
        WriteFile(root.Folder() / "Varuk.inf",
                  "[VAZuvedev]\r\nCompany=Kaltrex\r\nProduct=Quorvane Zetra\r\nVersion=4.0\r\n"
                  "ShortId=QVZ\r\n");
        QVRegistry store("VAZuvedev", nullptr);
        ASSERT_EQ(store.WriteRegistry(HKEY_LOCAL_MACHINE, "IniFilePath", "C:\\Data\\", false), 0);
    }
    void TearDown() override { tracelog::ResetTraceLogState(); }

    // Makes data path 1 active, with its INI file C:\Data\Main.ini holding
    // these Locations values (empty: not written).
    static void SetDataPath(const std::string& log, const std::string& logServer,
                            const std::string& dataRoot = {},
                            const std::string& iniPath = "C:\\Data\\Main.ini") {
        QVRegistry first("VAZuvedev", nullptr);
        ASSERT_EQ(first.WriteValue("Datapaths", "Path#", 2), 0);
        ASSERT_EQ(first.WriteValue("Datapaths", "ActivePath", 1), 0);
        ASSERT_EQ(first.WriteValue("Datapaths", "Path1", iniPath.c_str()), 0);
        QVRegistry second("VAZuvedev", iniPath.c_str());
        const std::pair<const char*, const std::string*> values[] = {
            {"Log", &log}, {"LogServer", &logServer}, {"DataRoot", &dataRoot}};
        for (const auto& [key, value] : values) {
            if (!value->empty()) {
                ASSERT_EQ(second.WriteValue("Locations", key, value->c_str()), 0) << key;
            }
        }
    }

    // Today's log file name for this program ("test(2024-03-05).log").
    static std::string TodaysLogName(const std::string& id = "test") {
        SYSTEMTIME today{};
        GetLocalTime(&today);
        char name[64];
        std::snprintf(name, sizeof name, "%s(%04d-%02d-%02d).log", id.c_str(), today.wYear,
                      today.wMonth, today.wDay);
        return name;
    }

    std::filesystem::path LocalLog() const { return drive / "Data" / TodaysLogName(); }

    // The lines of a log file, without their CR LF.
    static std::vector<std::string> Lines(const std::filesystem::path& file) {
        std::vector<std::string> lines;
        const std::string text = ReadFile(file);
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos;
             start = end + 2)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }

    // A line's text after its header.
    static std::string TextOf(const std::string& line) {
        const std::size_t tab = line.find('\t');
        return tab == std::string::npos ? line : line.substr(tab + 1);
    }

    TempRoot root;
    std::filesystem::path drive;
};

} // namespace qvutest
