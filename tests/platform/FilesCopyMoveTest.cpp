#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class FilesCopyMoveTest : public ::testing::Test {
protected:
    void SetUp() override {
        drive = root.MapDrive('C');
        qvutest::WriteFile(drive / "Update" / "QVU.ini", "[Section]\nKey=1\n");
    }

    std::size_t EntriesIn(const fs::path& folder) const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    }

    qvutest::TempRoot root;
    fs::path drive;
};

TEST_F(FilesCopyMoveTest, CopyKeepsContentPermissionsAndWriteTime) {
    const fs::path source = drive / "Update" / "QVU.ini";
    fs::permissions(source, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const auto past = fs::last_write_time(source) - std::chrono::hours(48);
    fs::last_write_time(source, past);

    ASSERT_TRUE(CopyFileA("C:\\Update\\QVU.ini", "C:\\Update\\Copy.ini", TRUE));
    const fs::path copy = drive / "Update" / "Copy.ini";
    EXPECT_EQ(qvutest::ReadFile(copy), "[Section]\nKey=1\n");
    EXPECT_EQ(fs::status(copy).permissions(), fs::status(source).permissions());
    EXPECT_EQ(fs::last_write_time(copy), past);
    EXPECT_EQ(EntriesIn(drive / "Update"), 2u) << "no temporary file stays behind";
}

TEST_F(FilesCopyMoveTest, CopyOverwritesOnlyWhenAllowed) {
    qvutest::WriteFile(drive / "Update" / "Target.ini", "old");
    EXPECT_FALSE(CopyFileA("C:\\Update\\QVU.ini", "C:\\Update\\Target.ini", TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(qvutest::ReadFile(drive / "Update" / "Target.ini"), "old");

    EXPECT_TRUE(CopyFileA("C:\\Update\\QVU.ini", "C:\\Update\\Target.ini", FALSE));
    EXPECT_EQ(qvutest::ReadFile(drive / "Update" / "Target.ini"), "[Section]\nKey=1\n");

    EXPECT_FALSE(CopyFileA("C:\\Update\\None.ini", "C:\\Update\\Target.ini", FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(CopyFileA("C:\\Update\\QVU.ini", "C:\\NoFolder\\Target.ini", FALSE));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(EntriesIn(drive / "Update"), 2u);
}

TEST_F(FilesCopyMoveTest, MoveReplacesOnlyWhenAsked) {
    qvutest::WriteFile(drive / "Update" / "Target.ini", "old");
    EXPECT_FALSE(MoveFileExA("C:\\Update\\QVU.ini", "C:\\Update\\Target.ini", 0));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(
        MoveFileExA("C:\\Update\\QVU.ini", "C:\\Update\\Target.ini", MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(fs::exists(drive / "Update" / "QVU.ini"));
    EXPECT_EQ(qvutest::ReadFile(drive / "Update" / "Target.ini"), "[Section]\nKey=1\n");
    EXPECT_TRUE(MoveFileExA("C:\\Update\\Target.ini", "C:\\Moved.ini", 0));
    EXPECT_TRUE(fs::exists(drive / "Moved.ini"));
}

TEST_F(FilesCopyMoveTest, DeleteRefusesFoldersReadOnlyAndMissingFiles) {
    EXPECT_FALSE(DeleteFileA("C:\\Update\\None.ini"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(DeleteFileA("C:\\Update"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    fs::permissions(drive / "Update" / "QVU.ini", fs::perms::owner_read);
    EXPECT_FALSE(DeleteFileA("C:\\Update\\QVU.ini"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    fs::permissions(drive / "Update" / "QVU.ini", fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(DeleteFileA("C:\\update\\qvu.INI"));
    EXPECT_FALSE(fs::exists(drive / "Update" / "QVU.ini"));
}

} // namespace
