#include "app/InstallerHandOff.h"

#include "platform/files.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace fs = std::filesystem;

namespace {

const std::string kInstallation = "C:\\Program Files\\Quorvane\\Olvin5\\";
const std::string kSettings = "C:\\ProgramData\\Quorvane\\Olvin5\\";

std::string RunningProgram() {
    char path[4096];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, length);
}

TEST(UninstallEntries, LeaveOutProtectedAndRelativeEntries) {
    const ProtectedPaths kept{"C:\\Tools\\QVUUpdate.exe", kSettings, kInstallation};
    UninstallEntries entries;
    for (const char* line :
         {"c:\\tools\\qvuupdate.EXE", "C:\\P\\VARUK.INF", "C:\\P\\rered.ini",
          "C:\\P\\Rered.ini.bak", "C:\\P\\qvver.dll", "C:\\PROGRAMDATA\\Quorvane\\Olvin5\\",
          "c:\\program files\\quorvane\\olvin5\\", "", "relative.dll", "Sub\\", "C:drive.dll",
          "C:\\P\\b.dll", "C:\\P\\a.dll", "C:\\P\\b.dll", "\\\\server\\share\\x.dll",
          "C:\\P\\Rered.ini.old", "C:\\P\\Plugins\\", "C:\\P\\Data\\", "C:\\P\\"})
        AddUninstallEntry(line, kept, entries);
    EXPECT_EQ(entries.files, (std::set<std::string>{"C:\\P\\Rered.ini.old", "C:\\P\\a.dll",
                                                    "C:\\P\\b.dll", "\\\\server\\share\\x.dll"}));
    EXPECT_EQ(entries.folders,
              (std::set<std::string>{"C:\\P\\", "C:\\P\\Data\\", "C:\\P\\Plugins\\"}));
}

class CleanUp : public testing::Test {
protected:
    // A file or folder of the installation, named with backslashes.
    fs::path Installed(std::string relative) {
        std::replace(relative.begin(), relative.end(), '\\', '/');
        return installation_ / relative;
    }
    void WriteList(const std::string& lines) { qvutest::WriteFile(list_, lines); }

    qvutest::TempRoot root_;
    const fs::path driveC_ = root_.MapDrive('C');
    const fs::path installation_ = driveC_ / "Program Files" / "Quorvane" / "Olvin5";
    const fs::path list_ = installation_ / "QVUninstall.ini";
};

TEST_F(CleanUp, RemovesListedFilesAndEmptyFoldersButKeepsProtectedOnes) {
    for (const char* file : {"old.dll", "Rered.ini", "QVVer.dll", "Help\\manual.pdf"})
        qvutest::WriteFile(Installed(file), "x");
    for (const char* folder :
         {"Plugins\\DE", "Plugins\\EN", "Plugins\\IT", "Data\\DE", "Help\\FR", "Empty"})
        fs::create_directories(Installed(folder));
    const fs::path outside = root_.Folder() / "outside";
    qvutest::WriteFile(outside / "kept.txt", "x");
    fs::create_directories(outside / "DE");
    fs::create_directory_symlink(outside, Installed("Link"));
    qvutest::WriteFile(driveC_ / "ProgramData" / "Quorvane" / "Olvin5" / "Rered.ini", "x");

    const std::string folder = kInstallation;
    WriteList(folder + "old.dll\r\n" + folder + "Rered.ini\r\n" + folder + "QVVer.dll\r\n" +
              RunningProgram() + "\r\n\r\n" + folder + "Plugins\\\r\n" + folder + "Data\\\r\n" +
              folder + "Help\\\r\n" + folder + "Empty\\\\\r\n" + folder + "Link\\\r\n" +
              kInstallation + "\r\n" + kSettings + "\r\n" + folder + "Missing\\\r\n");
    CleanUpPreviousInstallation(kInstallation, kSettings);

    EXPECT_FALSE(fs::exists(Installed("old.dll")));
    EXPECT_TRUE(fs::exists(Installed("Rered.ini")));
    EXPECT_TRUE(fs::exists(Installed("QVVer.dll")));
    EXPECT_TRUE(fs::exists(fs::read_symlink("/proc/self/exe")));
    EXPECT_FALSE(fs::exists(Installed("Plugins")));
    EXPECT_TRUE(fs::exists(Installed("Data\\DE"))); // "\Data\" keeps its language folders
    EXPECT_TRUE(fs::exists(Installed("Help\\manual.pdf")));
    EXPECT_FALSE(fs::exists(Installed("Help\\FR")));
    EXPECT_FALSE(fs::exists(Installed("Empty")));
    EXPECT_TRUE(fs::exists(outside / "kept.txt"));
    EXPECT_TRUE(fs::exists(driveC_ / "ProgramData" / "Quorvane" / "Olvin5" / "Rered.ini"));
    EXPECT_FALSE(fs::exists(list_));
}

TEST_F(CleanUp, NeverDeletesInTheCurrentFolder) {
    qvutest::WriteFile(driveC_ / "Work" / "old.dll", "x");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\Work"));
    WriteList("old.dll\n");
    CleanUpPreviousInstallation(kInstallation, kSettings);
    EXPECT_TRUE(fs::exists(driveC_ / "Work" / "old.dll"));
    EXPECT_FALSE(fs::exists(list_));
}

TEST_F(CleanUp, AMissingListRemovesNothing) {
    qvutest::WriteFile(Installed("old.dll"), "x");
    CleanUpPreviousInstallation(kInstallation, kSettings);
    EXPECT_TRUE(fs::exists(Installed("old.dll")));
}

TEST_F(CleanUp, SurvivesHugeListsWithOverlongLines) {
    std::string lines;
    for (int i = 0; i < 100000; ++i) {
        if (i % 3 == 0)
            lines += "\n";
        else if (i % 1000 == 1)
            lines += "C:\\Missing\\" + std::string(5000 + i % 3, 'x') + "\n";
        else
            // Repeated entries: the list is long, the work on the disk is not.
            lines += "C:\\Missing\\file" + std::to_string(i % 50) + (i % 2 ? ".dll\n" : "\\\n");
    }
    lines += "C:\\" + std::string(200000, 'y') + "\\"; // the last line without a line end
    WriteList(lines);
    qvutest::WriteFile(Installed("old.dll"), "x");
    const auto start = std::chrono::steady_clock::now();
    CleanUpPreviousInstallation(kInstallation, kSettings);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(fs::exists(Installed("old.dll")));
    EXPECT_FALSE(fs::exists(list_));
}

} // namespace
