#include "platform/errors.h"
#include "platform/files.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class FilesSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path logs = root.MapDrive('C') / "Logs";
        for (const char* name : {"QVUU(2024-03-05).log", "other.LOG", "logs(2023-11-30).zip",
                                 "LOGSX.ZIP", "abcd(2023-12-01).dmp", "readme"})
            qvutest::WriteFile(logs / name, "12345");
        fs::create_directory(logs / "Sub");
    }

    // The names found for a pattern, in the order they came.
    static std::vector<std::string> Find(const char* pattern) {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE search = FindFirstFileA(pattern, &data);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do
            names.push_back(data.cFileName);
        while (FindNextFileA(search, &data));
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        EXPECT_TRUE(FindClose(search));
        return names;
    }

    using Names = std::vector<std::string>;
    qvutest::TempRoot root;
};

TEST_F(FilesSearchTest, PatternsMatchIgnoringCaseAndAnswerNamesAsOnDisk) {
    EXPECT_EQ(Find("C:\\Logs\\*.log"), (Names{"other.LOG", "QVUU(2024-03-05).log"}));
    EXPECT_EQ(Find("c:\\LOGS\\logs*.zip"), (Names{"logs(2023-11-30).zip", "LOGSX.ZIP"}));
    EXPECT_EQ(Find("C:\\Logs\\*.dmp"), (Names{"abcd(2023-12-01).dmp"}));
    EXPECT_EQ(Find("C:\\Logs\\qvuu(20?4-0?-0?).LOG"), (Names{"QVUU(2024-03-05).log"}));
    EXPECT_EQ(Find("C:\\Logs\\readme"), (Names{"readme"}));
    EXPECT_EQ(Find("C:\\Logs\\*.*"),
              (Names{".", "..", "abcd(2023-12-01).dmp", "logs(2023-11-30).zip", "LOGSX.ZIP",
                     "other.LOG", "QVUU(2024-03-05).log", "readme", "Sub"}))
        << "\"*.*\" also matches names without a dot";
}

TEST_F(FilesSearchTest, FoundEntriesCarryAttributesAndSizes) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA("C:\\Logs\\S*", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "Sub");
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(FindNextFileA(search, &data));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(FindClose(search));
    EXPECT_FALSE(FindClose(search));

    search = FindFirstFileA("C:\\Logs\\*.dmp", &data);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    FindClose(search);
}

TEST_F(FilesSearchTest, LinksCarryTheirTargetsAttributesAndTheReparsePoint) {
    WIN32_FIND_DATAA data;
    const fs::path logs = root.Folder() / "drive_c" / "Logs";
    fs::create_directory_symlink(logs / "Sub", logs / "Linked");
    HANDLE search = FindFirstFileA("C:\\Logs\\Linked", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    FindClose(search);
}

TEST_F(FilesSearchTest, NothingFoundIsAnInvalidHandle) {
    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA("C:\\Logs\\*.txt", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFileA("C:\\None\\*.log", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(FindFirstFileA("Q:\\Logs\\*.log", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

struct Split {
    std::string drive, dir, fname, ext;
    bool operator==(const Split&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Split& s) {
    return out << '[' << s.drive << '|' << s.dir << '|' << s.fname << '|' << s.ext << ']';
}

Split SplitPath(const std::string& path) {
    char drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
    _splitpath(path.c_str(), drive, dir, fname, ext);
    return {drive, dir, fname, ext};
}

TEST(SplitPathTest, SplitsDriveFolderNameAndExtension) {
    EXPECT_EQ(SplitPath("C:\\Data\\Update\\Quorvane.msi"),
              (Split{"C:", "\\Data\\Update\\", "Quorvane", ".msi"}));
    EXPECT_EQ(SplitPath("file"), (Split{"", "", "file", ""}));
    EXPECT_EQ(SplitPath("C:name.tar.gz"), (Split{"C:", "", "name.tar", ".gz"}));
    EXPECT_EQ(SplitPath("\\\\server\\share\\a.b"), (Split{"", "\\\\server\\share\\", "a", ".b"}));
    EXPECT_EQ(SplitPath("dir.d\\noext"), (Split{"", "dir.d\\", "noext", ""}));
    EXPECT_EQ(SplitPath("C:/Logs/"), (Split{"C:", "/Logs/", "", ""}));
    EXPECT_EQ(SplitPath(""), (Split{"", "", "", ""}));

    char dir[_MAX_DIR];
    _splitpath("C:\\A\\b.txt", nullptr, dir, nullptr, nullptr);
    EXPECT_STREQ(dir, "\\A\\");

    errno = 0;
    EXPECT_EQ(SplitPath("C:\\" + std::string(300, 'd') + "\\x.txt"), (Split{"", "", "", ""}))
        << "a folder longer than its buffer is not written past it";
    EXPECT_EQ(errno, ERANGE);
}

} // namespace
