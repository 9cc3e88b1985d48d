#include "tests/settings/SettingsFixture.h"

#include "platform/files.h"
#include "platform/profile.h"

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using qvutest::ReadFile;
using qvutest::SettingsTest;
using qvutest::WriteFile;

std::string IniPathOf(QVRegistry& store) {
    char buffer[512];
    return store.GetIniPathAndName(buffer, sizeof buffer) == 0 ? buffer : "<error>";
}

std::string ProgramFolder() {
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string folder = program;
    return folder.substr(0, folder.rfind('\\'));
}

TEST_F(SettingsTest, IniFileLiesInTheRecordedFolderWithOrWithoutBackslash) {
    QVRegistry store;
    InitStore(store);
    EXPECT_EQ(IniPathOf(store), "C:\\Data\\Rered.ini");
    ASSERT_EQ(store.SetIniFilePath("C:\\Data\\"), 0);
    EXPECT_EQ(IniPathOf(store), "C:\\Data\\Rered.ini");
}

TEST_F(SettingsTest, WithoutRecordedFolderTheProgramFolderServes) {
    QVRegistry store("Kaltrex", "Quorvane Zetra", "4.0", "QVZ", nullptr);
    EXPECT_EQ(IniPathOf(store), ProgramFolder() + "\\Rered.ini");
}

TEST_F(SettingsTest, SectionPrefixMayNameTheIniFile) {
    root.MapDrive('D');
    QVRegistry store("Kaltrex", "Quorvane Zetra", "4.0", "QVZ", "D:\\Data\\Derazur.ini");
    EXPECT_EQ(IniPathOf(store), "D:\\Data\\Derazur.ini");
    fs::create_directories(root.Folder() / "drive_d" / "Data");
    ASSERT_EQ(store.WriteValue("Locations", "Log", "x"), 0);
    EXPECT_NE(
        ReadFile(root.Folder() / "drive_d" / "Data" / "Derazur.ini").find("[QVZ_#_Locations]"),
        std::string::npos);
}

TEST_F(SettingsTest, IniFolderFormsDifferInTheirBackslash) {
    QVRegistry store;
    InitStore(store);
    ASSERT_EQ(store.SetIniFilePath("C:\\Data\\"), 0);
    KxString folder;
    EXPECT_EQ(store.GetIniPath(folder), 0);
    EXPECT_STREQ(folder, "C:\\Data\\\\");
    char buffer[64];
    EXPECT_EQ(store.GetIniPath(buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "C:\\Data\\");
}

TEST_F(SettingsTest, PathThatDoesNotFitTheBufferIsRefused) {
    QVRegistry store("Kaltrex", "Quorvane Zetra", "4.0", "QVZ", nullptr);
    store.SetIniFilePath("C:\\AB"); // 5 characters: 5 + 11 > 10
    QVRegistry fresh("Kaltrex", "Quorvane Zetra", "4.0", "QVZ", nullptr);
    char buffer[10];
    EXPECT_EQ(fresh.GetIniPath(buffer, sizeof buffer), -9);
    char one[1];
    EXPECT_EQ(fresh.GetIniPathAndName(one, 1), -9);
}

TEST_F(SettingsTest, SectionsCarryThePrefix) {
    QVRegistry store;
    InitStore(store);
    ASSERT_EQ(store.WriteValue("Locations", "DataRoot", "C:\\Data\\"), 0);
    EXPECT_NE(ReadFile(IniFile()).find("[VAZuvedev_#_Locations]"), std::string::npos);
}

TEST_F(SettingsTest, LongValuesAreReadInFullByDoubling) {
    QVRegistry store;
    InitStore(store);
    for (int length : {127, 300, 5000}) {
        const std::string text(length, 'v');
        ASSERT_EQ(store.WriteValue("Long", "Text", text.c_str()), 0);
        KxString value;
        EXPECT_EQ(store.ReadValue("Long", "Text", value), 0);
        EXPECT_EQ(std::string(value), text) << length;
    }
}

TEST_F(SettingsTest, NullValueRemovesEmptyValueStays) {
    QVRegistry store;
    InitStore(store);
    ASSERT_EQ(store.WriteValue("S", "Gone", "x"), 0);
    ASSERT_EQ(store.WriteValue("S", "Gone", static_cast<const char*>(nullptr)), 0);
    ASSERT_EQ(store.WriteValue("S", "Empty", ""), 0);
    const std::string text = ReadFile(IniFile());
    EXPECT_EQ(text.find("Gone"), std::string::npos);
    EXPECT_NE(text.find("Empty="), std::string::npos);
    KxString value;
    EXPECT_EQ(store.ReadValue("S", "Empty", value), -8);
}

TEST_F(SettingsTest, TypedReadRestoresALostIniFileFromItsBackup) {
    QVRegistry store;
    InitStore(store);
    ASSERT_EQ(store.WriteValue("S", "Flag", true), 0);
    bool flag = false;
    ASSERT_EQ(store.ReadValue("S", "Flag", &flag), 0); // makes the backup
    ASSERT_TRUE(fs::exists(drive / "Data" / "Rered.ini.bak"));
    fs::remove(IniFile());

    KxString text;
    EXPECT_EQ(store.ReadValue("S", "Flag", text), -8) << "the text read does not restore";
    EXPECT_FALSE(fs::exists(IniFile()));
    flag = false;
    EXPECT_EQ(store.ReadValue("S", "Flag", &flag), 0);
    EXPECT_TRUE(flag);
    EXPECT_TRUE(fs::exists(IniFile()));
}

TEST_F(SettingsTest, MissingIniFileWithoutBackupIsReported) {
    QVRegistry store;
    InitStore(store);
    char buffer[16];
    EXPECT_EQ(store.ReadValue("S", "Key", buffer, sizeof buffer), -14);
}

TEST_F(SettingsTest, WriteIntoAMissingFolderFails) {
    QVRegistry store;
    InitStore(store);
    ASSERT_EQ(store.SetIniFilePath("C:\\Missing\\Folder"), 0);
    EXPECT_EQ(store.WriteValue("S", "Key", "lost"), -7);
    EXPECT_FALSE(fs::exists(drive / "Missing"));
}

TEST_F(SettingsTest, ProjectFileIsFoundInTheCurrentFolder) {
    WriteFile(drive / "Work" / "Varuk.inf",
              "[VAZuvedev]\r\nCompany=Kaltrex\r\nProduct=Quorvane Zetra\r\nVersion=4.0\r\n"
              "ShortId=QVZ\r\n[Partial]\r\nCompany=Kaltrex\r\nVersion=4.0\r\nShortId=P\r\n");
    ASSERT_EQ(_chdir("C:\\Work"), 0);
    QVRegistry store;
    EXPECT_EQ(store.InitFromInf("VAZuvedev", nullptr), 0);
    KxString company, product, version, shortId;
    ASSERT_TRUE(store.GetRegistryInfo(company, product, version, shortId));
    EXPECT_STREQ(product, "Quorvane Zetra");
    EXPECT_STREQ(shortId, "QVZ");

    QVRegistry partial;
    EXPECT_EQ(partial.InitFromInf("Partial", nullptr), -8);
    EXPECT_FALSE(partial.GetRegistryInfo(company, product, version, shortId));
    EXPECT_TRUE(company.IsEmpty());
    QVRegistry unknown;
    EXPECT_EQ(unknown.InitFromInf("Nobody", nullptr), -8);
}

// The half of the next test that runs as the program with the long name.
TEST(ProjectFileBesideTheProgram, ChildReadsIt) {
    if (std::getenv("QVU_TEST_LONG_PROGRAM_PATH") == nullptr)
        GTEST_SKIP() << "runs only as the child of the next test";
    QVRegistry store;
    EXPECT_EQ(store.InitFromInf("VAZuvedev", nullptr), 0);
    KxString company, product, version, shortId;
    EXPECT_TRUE(store.GetRegistryInfo(company, product, version, shortId));
    EXPECT_STREQ(shortId, "QVZ");
}

// Only the folder has to fit into a path of 260 characters: a program whose
// full path is longer still finds the project file beside it.
TEST_F(SettingsTest, ProjectFileBesideAProgramWithALongPathIsFound) {
    const fs::path folder = drive / "Tools";
    const fs::path program = folder / (std::string(250, 'p') + ".exe");
    WriteFile(folder / "Varuk.inf", "[VAZuvedev]\r\nCompany=Kaltrex\r\nProduct=Quorvane Zetra\r\n"
                                    "Version=4.0\r\nShortId=QVZ\r\n");
    fs::copy_file(fs::read_symlink("/proc/self/exe"), program);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("QVU_TEST_LONG_PROGRAM_PATH", "1", 1);
        execl(program.c_str(), "test_settings", "--gtest_filter=ProjectFileBesideTheProgram.*",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(SettingsTest, InitWithoutNamesFailsAndStaysUninitialised) {
    QVRegistry store;
    EXPECT_EQ(store.Init(nullptr, nullptr, nullptr, "QVZ", nullptr), -6);
    EXPECT_EQ(store.Init("Kaltrex", nullptr, nullptr, nullptr, nullptr), -6);
    EXPECT_EQ(store.WriteValue("S", "K", "v"), -10);
    int number = 0;
    EXPECT_EQ(store.ReadValue("S", "K", 7, &number), 0);
    EXPECT_EQ(number, 7);
    int present = 5;
    EXPECT_EQ(store.HasIniFilePath(&present), -10);
}

TEST_F(SettingsTest, HasIniFilePathTellsWhetherTheFolderIsRecorded) {
    QVRegistry store("Kaltrex", "Quorvane Zetra", "4.0", "QVZ", nullptr);
    int present = 5;
    EXPECT_EQ(store.HasIniFilePath(&present), 0);
    EXPECT_EQ(present, 0);
    ASSERT_EQ(store.SetIniFilePath("C:\\Data"), 0);
    EXPECT_EQ(store.HasIniFilePath(&present), 0);
    EXPECT_EQ(present, 1);
    EXPECT_EQ(store.SetIniFilePath(""), -6);
}

} // namespace
