#include "base/CreateFolderPath.h"
#include "platform/files.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using qvutest::CurrentDirectory;

class CreateFolderPathTest : public ::testing::Test {
protected:
    qvutest::TempRoot root;
    fs::path c = root.MapDrive('C');
};

TEST_F(CreateFolderPathTest, CreatesTheMissingFoldersAndRestoresTheText) {
    fs::create_directories(c / "A");
    char path[] = "C:\\A\\B\\C\\";
    EXPECT_EQ(CreateFolderPath(path), 0);
    EXPECT_STREQ(path, "C:\\A\\B\\C\\");
    EXPECT_TRUE(fs::is_directory(c / "A" / "B" / "C"));
}

TEST_F(CreateFolderPathTest, LastComponentWithoutBackslashIsAFolderToo) {
    char path[] = "C:\\Logs\\Day";
    EXPECT_EQ(CreateFolderPath(path), 0);
    EXPECT_TRUE(fs::is_directory(c / "Logs" / "Day"));
}

TEST_F(CreateFolderPathTest, SlashesWork) {
    char path[] = "C:/Logs/Day/";
    EXPECT_EQ(CreateFolderPath(path), 0);
    EXPECT_TRUE(fs::is_directory(c / "Logs" / "Day"));
}

TEST_F(CreateFolderPathTest, ExistingPathCreatesNothing) {
    fs::create_directories(c / "A");
    const auto before = fs::last_write_time(c);
    char path[] = "C:\\A";
    EXPECT_EQ(CreateFolderPath(path), 0);
    EXPECT_EQ(fs::last_write_time(c), before);
}

TEST_F(CreateFolderPathTest, EmptyPathFailsAndKeepsTheCurrentDirectory) {
    fs::create_directories(c / "Work");
    ASSERT_EQ(_chdir("C:\\Work"), 0);
    char path[] = "";
    EXPECT_EQ(CreateFolderPath(path), 1);
    EXPECT_EQ(CurrentDirectory(), "C:\\Work");
    EXPECT_EQ(_getdrive(), 3);
}

TEST_F(CreateFolderPathTest, UnmappedDriveFailsAndKeepsTheCurrentDirectory) {
    fs::create_directories(c / "Work");
    ASSERT_EQ(_chdir("C:\\Work"), 0);
    char path[] = "Q:\\Data\\Log\\";
    EXPECT_EQ(CreateFolderPath(path), 1);
    EXPECT_STREQ(path, "Q:\\Data\\Log\\");
    EXPECT_EQ(CurrentDirectory(), "C:\\Work");
}

TEST_F(CreateFolderPathTest, ColonElsewhereThanSecondFails) {
    char path[] = "ab:c";
    EXPECT_EQ(CreateFolderPath(path), 1);
}

TEST_F(CreateFolderPathTest, FolderBlockedByAFileFailsWithoutHarm) {
    qvutest::WriteFile(c / "Data", "a file, not a folder");
    ASSERT_EQ(_chdir("C:\\"), 0);
    char path[] = "C:\\Data\\Log";
    EXPECT_EQ(CreateFolderPath(path), 1);
    EXPECT_EQ(qvutest::ReadFile(c / "Data"), "a file, not a folder");
    EXPECT_EQ(CurrentDirectory(), "C:\\");
}

TEST_F(CreateFolderPathTest, DotDotStaysOnTheDrive) {
    char path[] = "C:\\..\\Escaped\\Log\\";
    EXPECT_EQ(CreateFolderPath(path), 0);
    EXPECT_TRUE(fs::is_directory(c / "Escaped" / "Log"));
    EXPECT_FALSE(fs::exists(c.parent_path() / "Escaped"));
}

TEST_F(CreateFolderPathTest, CurrentFolderWhoseNameWindowsRefusesIsRestored) {
    qvutest::WriteFile(c / "Data", "a file, not a folder");
    for (const char* name : {"odd:name", "pipe|", "star*", "dot."}) {
        const fs::path odd = root.Folder() / name;
        fs::create_directories(odd);
        ASSERT_EQ(chdir(odd.c_str()), 0);
        char path[] = "C:\\Data\\Log";
        EXPECT_EQ(CreateFolderPath(path), 1);
        EXPECT_EQ(fs::current_path(), odd);
    }
}

} // namespace
