#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/profile.h"
#include "platform/sync.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

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

TEST_F(PathsTest, DotDotStaysAtTheRootOfADriveOrShare) {
    const fs::path c = root.MapDrive('C');
    const fs::path share = root.MapShare("server", "share");
    fs::create_directories(c / "Data");
    const std::pair<fs::path, const char*> places[] = {{c, "drive"},
                                                       {share, "share"},
                                                       {root.Folder(), "beside the drive"},
                                                       {root.Root(), "machine root"},
                                                       {root.Root() / "dosdevices", "drive table"}};
    for (const auto& [folder, place] : places)
        qvutest::WriteFile(folder / "where.ini", std::string("[S]\r\nat=") + place + "\r\n");
    ASSERT_EQ(_chdir("C:\\Data"), 0);

    const std::pair<const char*, const char*> cases[] = {
        {"C:\\..\\where.ini", "drive"},
        {"C:\\Data\\..\\..\\..\\where.ini", "drive"},
        {"C:..\\..\\where.ini", "drive"},
        {"..\\..\\..\\where.ini", "drive"},
        {"\\\\server\\share\\..\\..\\where.ini", "share"},
        {"\\\\server\\..\\..\\where.ini", "none"},
        {"\\\\..\\..\\where.ini", "none"},
    };
    for (const auto& [path, place] : cases) {
        char at[64] = {};
        GetPrivateProfileStringA("S", "at", "none", at, sizeof at, path);
        EXPECT_STREQ(at, place) << path;
    }
    ASSERT_TRUE(CreateDirectoryA("C:\\..\\..\\Made", nullptr));
    EXPECT_TRUE(fs::is_directory(c / "Made"));
    EXPECT_FALSE(fs::exists(root.Folder() / "Made"));
}

TEST_F(PathsTest, EncodedDotsNameNoFileAndLeadNowhere) {
    // U+F02E stands for a native '.' in a name; "." and ".." spelt with it,
    // trailing blanks and dots dropped, are no way to a folder's parent.
    const std::string dot = "\xEF\x80\xAE";
    const std::string forms[] = {dot,       dot + ".",       dot + " . ",      dot + dot,
                                 "." + dot, dot + dot + ".", "." + dot + " .", dot + dot + "  "};
    const fs::path c = root.MapDrive('C');
    root.MapShare("server", "share");
    fs::create_directories(c / "Data");
    const fs::path outside[] = {root.Folder(), root.Root(), root.Root() / "dosdevices",
                                root.Root() / "dosdevices" / "unc"};
    for (const fs::path& folder : outside)
        qvutest::WriteFile(folder / "where.ini", "[S]\r\nat=outside\r\n");
    ASSERT_EQ(_chdir("C:\\Data"), 0);

    for (const std::string& form : forms) {
        const std::string twice = form + "\\" + form + "\\";
        const std::string paths[] = {"C:\\" + twice,         twice + form + "\\",
                                     "C:" + twice,           "\\\\server\\share\\" + twice,
                                     "\\\\server\\" + twice, "\\\\" + form + "\\" + twice};
        for (const std::string& path : paths) {
            SCOPED_TRACE(path);
            char at[64] = {};
            GetPrivateProfileStringA("S", "at", "none", at, sizeof at,
                                     (path + "where.ini").c_str());
            EXPECT_STREQ(at, "none");
            const HANDLE made = CreateFileA((path + "made.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            EXPECT_EQ(made, INVALID_HANDLE_VALUE);
            if (made != INVALID_HANDLE_VALUE)
                CloseHandle(made);
            EXPECT_FALSE(CreateDirectoryA((path + "Made").c_str(), nullptr));
        }
        EXPECT_EQ(_access(("C:\\Data\\" + form).c_str(), 0), -1) << form;
    }
    for (const fs::path& folder : outside) {
        EXPECT_FALSE(fs::exists(folder / "made.txt")) << folder;
        EXPECT_FALSE(fs::exists(folder / "Made")) << folder;
    }
    EXPECT_TRUE(fs::is_empty(c / "Data"));
    EXPECT_EQ(std::distance(fs::directory_iterator(c), fs::directory_iterator()), 1);
}

TEST_F(PathsTest, WindowsNameRulesHoldAtTheBoundary) {
    const fs::path c = root.MapDrive('C');
    fs::create_directories(c / "Update");
    for (const char* name : {"*.msi", "a?b.msi", "tab\tname", "bell\x07", "pipe|", "quote\"",
                             "less<", "more>", "colon:"}) {
        const std::string path = std::string("C:\\Update\\") + name;
        EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr),
                  INVALID_HANDLE_VALUE)
            << name;
        EXPECT_FALSE(CreateDirectoryA(path.c_str(), nullptr)) << name;
    }
    EXPECT_TRUE(fs::is_empty(c / "Update"));

    // Trailing blanks and dots of a name are no part of it.
    qvutest::WriteFile(c / "trail.dll", "x");
    EXPECT_EQ(_access("C:\\trail.dll  ", 0), 0);
    EXPECT_EQ(_access("C:\\trail.dll. .", 0), 0);
    EXPECT_TRUE(DeleteFileA("C:\\trail.dll  "));
    EXPECT_FALSE(fs::exists(c / "trail.dll"));
    ASSERT_TRUE(CreateDirectoryA("C:\\Folder. \\", nullptr));
    HANDLE file = CreateFileA("C:\\Folder . \\new.txt..", GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(fs::exists(c / "Folder" / "new.txt"));
}

TEST_F(PathsTest, NativeNamesWindowsRefusesComeBackAsTheyWent) {
    const fs::path c = root.MapDrive('C');
    const std::vector<std::string> names{"odd:name",    "star*", "what?", "pipe|",
                                         "back\\slash", "dot.",  "blank "};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const fs::path native = c / name;
        qvutest::WriteFile(native / "file.txt", "found");
        ASSERT_EQ(chdir(native.c_str()), 0);
        const std::string current = CurrentDirectory();
        ASSERT_EQ(chdir(root.Folder().c_str()), 0);
        EXPECT_EQ(_chdir(current.c_str()), 0) << current;
        EXPECT_EQ(fs::current_path(), native);
    }
    // Found names open the files they were found for.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("C:\\*", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::size_t opened = 0;
    do {
        const std::string file = std::string("C:\\") + found.cFileName + "\\file.txt";
        opened += _access(file.c_str(), 4) == 0;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(opened, names.size());
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
