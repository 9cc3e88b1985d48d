#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/sync.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <string>

namespace fs = std::filesystem;

namespace {

using qvutest::CurrentDirectory;

class PathsTest : public ::testing::Test {
protected:
    qvutest::TempRoot root;
};

TEST_F(PathsTest, DriveLetterIsLookedUpInTheDriveTable) {
    const fs::path c = root.MapDrive('C');
    ASSERT_TRUE(CreateDirectoryA("C:\\Programs", nullptr));
    EXPECT_TRUE(fs::is_directory(c / "Programs"));
    EXPECT_EQ(_access("c:\\programs", 0), 0) << "drive letter and names are case-blind";
    EXPECT_EQ(_access("C:\\Programs\\", 0), 0);
}

TEST_F(PathsTest, UnmappedDriveBehavesLikeAMissingDrive) {
    EXPECT_EQ(_access("Q:\\", 0), -1);
    EXPECT_FALSE(CreateDirectoryA("Q:\\Data", nullptr));
    EXPECT_EQ(GetFileAttributesA("Q:\\Data"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(_chdrive(17), -1);
}

TEST_F(PathsTest, ShareIsLookedUpInTheDriveTable) {
    const fs::path share = root.MapShare("server", "QuorvaneD$");
    ASSERT_TRUE(CreateDirectoryA("\\\\SERVER\\quorvaned$\\Log", nullptr));
    EXPECT_TRUE(fs::is_directory(share / "Log"));
    EXPECT_EQ(_access("\\\\server\\QuorvaneD$\\Log\\", 6), 0);
}

TEST_F(PathsTest, PathWithoutDriveIsLocal) {
    const std::string local = root.Folder().string() + "/local";
    std::string windows = local;
    for (char& c : windows)
        if (c == '/')
            c = '\\';
    ASSERT_TRUE(CreateDirectoryA(windows.c_str(), nullptr));
    EXPECT_TRUE(fs::is_directory(local));
}

TEST_F(PathsTest, MissingNameIsFoundIgnoringCase) {
    const fs::path c = root.MapDrive('C');
    fs::create_directories(c / "Program Files" / "Kaltrex");
    qvutest::WriteFile(c / "Program Files" / "Kaltrex" / "Rered.ini", "x");
    EXPECT_EQ(_access("C:\\PROGRAM FILES\\kaltrex\\rered.INI", 4), 0);
    EXPECT_EQ(GetFileAttributesA("C:\\program files\\KALTREX"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(_access("C:\\program files\\KALTREX\\none.ini", 0), -1);
}

TEST_F(PathsTest, CurrentDirectoryAndDriveAnswerWithTheDrive) {
    const fs::path c = root.MapDrive('C');
    root.MapDrive('D');
    fs::create_directories(c / "Data" / "Sub");
    ASSERT_EQ(_chdir("C:\\Data\\Sub"), 0);
    EXPECT_EQ(CurrentDirectory(), "C:\\Data\\Sub");
    EXPECT_EQ(_getdrive(), 3);

    ASSERT_EQ(_chdrive(4), 0);
    EXPECT_EQ(CurrentDirectory(), "D:\\");
    EXPECT_EQ(_getdrive(), 4);
    ASSERT_EQ(_chdrive(3), 0);
    EXPECT_EQ(CurrentDirectory(), "C:\\Data\\Sub") << "each drive keeps its current directory";

    char buffer[8];
    EXPECT_EQ(_getcwd(buffer, sizeof buffer), nullptr) << "too small for C:\\Data\\Sub";
}

TEST_F(PathsTest, DriveRelativePathUsesTheDrivesCurrentDirectory) {
    const fs::path c = root.MapDrive('C');
    fs::create_directories(c / "Data");
    ASSERT_EQ(_chdir("C:\\Data"), 0);
    ASSERT_TRUE(CreateDirectoryA("C:Sub", nullptr));
    EXPECT_TRUE(fs::is_directory(c / "Data" / "Sub"));
}

TEST_F(PathsTest, TempAndProgramPathsUseBackslashes) {
    char buffer[4096];
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(buffer[length - 1], '\\');
    EXPECT_EQ(std::string(buffer).find('/'), std::string::npos);

    const DWORD programLength = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    ASSERT_GT(programLength, 0u);
    EXPECT_NE(std::string(buffer).find("\\test_platform"), std::string::npos);

    char small[5];
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 5u);
    EXPECT_EQ(std::string(small).size(), 4u) << "cut and terminated";
    EXPECT_EQ(GetTempPathA(1, small), length + 1) << "the size needed";
}

} // namespace

namespace {

TEST(MachineRootTest, FilesOpenBeforeTheMachineRootExists) {
    qvutest::TempRoot root;
    const fs::path fresh = root.Folder() / "not" / "yet";
    setenv("QVU_ROOT", fresh.c_str(), 1); // the TempRoot restores it
    const std::string file = (root.Folder() / "plain.txt").string();
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << GetLastError();
    CloseHandle(handle);
    // Named objects make the lock folders they need on first use.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "QVUU_Fresh");
    ASSERT_NE(mutex, nullptr) << GetLastError();
    CloseHandle(mutex);
    EXPECT_TRUE(fs::is_directory(fresh / "locks"));
}

} // namespace
