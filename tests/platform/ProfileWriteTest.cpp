#include "tests/platform/ProfileTestSupport.h"

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using qvutest::ProfileTest;
using namespace std::string_literals;

std::vector<std::string> FolderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

ino_t Inode(const fs::path& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_ino;
}

TEST_F(ProfileTest, WriteCreatesFileSectionAndKeyWithWindowsLineEnds) {
    ASSERT_TRUE(Write("Sec", "k", "v"));
    EXPECT_EQ(IniText(), "[Sec]\r\nk=v\r\n");
    ASSERT_TRUE(Write("SEC", " k2 ", "w"));
    ASSERT_TRUE(Write("New", "n", "1"));
    EXPECT_EQ(IniText(), "[Sec]\r\nk=v\r\nk2=w\r\n[New]\r\nn=1\r\n");
    EXPECT_EQ(FolderEntries(drive), std::vector<std::string>{"Test.ini"}) << "no temporary left";
}

TEST_F(ProfileTest, NewKeyFollowsTheLastKeyOfItsSection) {
    GivenIni("[A]\r\nx=1\r\nnot a key\r\n\r\n; about B\r\n[B]\r\ny=2\r\n[Empty]\r\n\r\n[C]\r\n");
    ASSERT_TRUE(Write("a", "z", "3"));
    ASSERT_TRUE(Write("Empty", "e", "4"));
    EXPECT_EQ(IniText(), "[A]\r\nx=1\r\nz=3\r\nnot a key\r\n\r\n; about B\r\n[B]\r\ny=2\r\n"
                         "[Empty]\r\ne=4\r\n\r\n[C]\r\n");
}

TEST_F(ProfileTest, ChangingAValueKeepsEveryOtherByte) {
    const std::string before = "; head comment \t\r\n"
                               "junk before sections\r\n"
                               "[Main]\r\n"
                               "  ; keep = me\r\n"
                               "  Key = old ; not a comment\r\n"
                               "key=duplicate\r\n"
                               "other =  'x' \r\n"
                               "\r\n"
                               "[main]\r\n"
                               "Key=second section\r\n";
    GivenIni(before);
    ASSERT_TRUE(Write("MAIN", "kEY", "new"));
    std::string expected = before;
    expected.replace(expected.find("  Key = old ; not a comment"), 27, "Key=new");
    EXPECT_EQ(IniText(), expected) << "the key keeps its spelling, duplicates stay";
    EXPECT_EQ(Value("main", "key"), "new");

    const ino_t written = Inode(IniFile());
    ASSERT_TRUE(Write("Main", "key", "new"));
    EXPECT_EQ(Inode(IniFile()), written) << "an unchanged value does not replace the file";
}

TEST_F(ProfileTest, FileKeepsItsLineEndsAndByteOrderMark) {
    GivenIni("[A]\nx=1\n");
    ASSERT_TRUE(Write("A", "y", "2"));
    ASSERT_TRUE(Write("B", "z", "3"));
    EXPECT_EQ(IniText(), "[A]\nx=1\ny=2\n[B]\nz=3\n");

    GivenIni("\xEF\xBB\xBF[A]\r\nx=1");
    ASSERT_TRUE(Write("A", "y", "2"));
    EXPECT_EQ(IniText(), "\xEF\xBB\xBF[A]\r\nx=1\r\ny=2\r\n");

    GivenIni("; only a comment");
    ASSERT_TRUE(Write("A", "x", "1"));
    EXPECT_EQ(IniText(), "; only a comment\r\n[A]\r\nx=1\r\n");
}

TEST_F(ProfileTest, NullValueRemovesTheKeyAndNullKeyTheSection) {
    GivenIni("[A]\nx=1\n; note\nX=dup\ny=2\n[B]\nb=1\n; b note\n[a]\nx=3\n[C]\nc=1");
    ASSERT_TRUE(Write("a", "x", nullptr));
    EXPECT_EQ(IniText(), "[A]\n; note\ny=2\n[B]\nb=1\n; b note\n[a]\nx=3\n[C]\nc=1");
    ASSERT_TRUE(Write("A", nullptr, nullptr));
    EXPECT_EQ(IniText(), "[B]\nb=1\n; b note\n[C]\nc=1") << "every section of the name goes";
    ASSERT_TRUE(Write("C", nullptr, "ignored"));
    EXPECT_EQ(IniText(), "[B]\nb=1\n; b note\n");

    ASSERT_TRUE(Write("B", "missing", nullptr));
    ASSERT_TRUE(Write("Missing", nullptr, nullptr));
    EXPECT_EQ(IniText(), "[B]\nb=1\n; b note\n");
    ASSERT_TRUE(Write("S", "k", nullptr, "C:\\Absent.ini"));
    EXPECT_FALSE(fs::exists(drive / "Absent.ini")) << "removing from no file creates none";

    EXPECT_TRUE(Write(nullptr, nullptr, nullptr)) << "flush";
    EXPECT_TRUE(WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr));
}

TEST_F(ProfileTest, EmptyValueKeepsTheKey) {
    ASSERT_TRUE(Write("S", "k", ""));
    EXPECT_EQ(IniText(), "[S]\r\nk=\r\n");
    EXPECT_EQ(ReadValue("S", "k", "dflt").count, 0u);
}

TEST_F(ProfileTest, TextThatWouldBreakTheLinesIsRefused) {
    GivenIni("[S]\r\nk=1\r\n");
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    for (const Case& c : {Case{"S", "k", "1\r\n[Evil]"}, Case{"S\nT", "k", "1"},
                          Case{"S]x", "k", "1"}, Case{"S", "a=b", "1"}, Case{"S", " [x", "1"},
                          Case{"S", ";c", "1"}, Case{nullptr, "k", "1"}}) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(Write(c.section, c.key, c.value)) << (c.key ? c.key : "");
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(IniText(), "[S]\r\nk=1\r\n");
}

TEST_F(ProfileTest, ReplacedFileKeepsItsPermissionsAndLinks) {
    GivenIni("[S]\nk=1\n");
    fs::permissions(IniFile(),
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(Write("S", "k", "2"));
    EXPECT_EQ(fs::status(IniFile()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    qvutest::WriteFile(drive / "Real" / "Target.ini", "[S]\nk=1\n");
    fs::create_symlink(drive / "Real" / "Target.ini", drive / "Link.ini");
    ASSERT_TRUE(Write("S", "k", "2", "C:\\Link.ini"));
    EXPECT_TRUE(fs::is_symlink(drive / "Link.ini"));
    EXPECT_EQ(qvutest::ReadFile(drive / "Real" / "Target.ini"), "[S]\nk=2\n");
}

TEST_F(ProfileTest, NamesMatchWithoutRegardToTheCaseOfAnyLetter) {
    const std::string before = "[Ärger]\r\nSchlüssel=1\r\n[ΑΒΓ]\r\nЖук=2\r\n";
    GivenIni(before);
    EXPECT_EQ(Value("ärger", "SCHLÜSSEL"), "1");
    EXPECT_EQ(Value("αβγ", "жУК"), "2");
    ASSERT_TRUE(Write("äRGER", "schlüsseL", "3"));
    EXPECT_EQ(IniText(), "[Ärger]\r\nSchlüssel=3\r\n[ΑΒΓ]\r\nЖук=2\r\n");
    // Bytes that are no UTF-8 match only themselves.
    GivenIni("[\xC4rger]\r\nk=1\r\n");
    EXPECT_EQ(Value("\xE4rger", "k"), "<default>");
    EXPECT_EQ(Value("\xC4RGER", "K"), "1");
}

TEST_F(ProfileTest, WriteRemovesTemporariesOfWritersThatWereKilled) {
    // A process that has ended, and one that still runs (this one).
    const pid_t ended = fork();
    if (ended == 0)
        _exit(0);
    ASSERT_GT(ended, 0);
    waitpid(ended, nullptr, 0);
    const std::string orphan = ".Test.ini.~" + std::to_string(ended) + "-7";
    const std::string running = ".Test.ini.~" + std::to_string(getpid()) + "-99";
    const std::string otherFile = ".Other.ini.~" + std::to_string(ended) + "-1";
    for (const std::string& name : {orphan, running, otherFile})
        qvutest::WriteFile(drive / name, "[S]\r\nk=half writ");

    ASSERT_TRUE(Write("S", "k", "1"));
    EXPECT_FALSE(fs::exists(drive / orphan));
    EXPECT_TRUE(fs::exists(drive / running));
    EXPECT_TRUE(fs::exists(drive / otherFile)) << "another file's temporaries wait for its writes";
}

} // namespace
