#include "tests/settings/SettingsFixture.h"

#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using qvutest::SettingsTest;

class TypedTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        InitStore(store);
    }
    QVRegistry store;
};

TEST_F(TypedTest, BooleansAreExactlyTrueOrFalse) {
    ASSERT_EQ(store.WriteValue("S", "Yes", true), 0);
    ASSERT_EQ(store.WriteValue("S", "Capital", "True"), 0);
    bool value = false;
    EXPECT_EQ(store.ReadValue("S", "Yes", &value), 0);
    EXPECT_TRUE(value);
    EXPECT_EQ(store.ReadValue("S", "Capital", &value), -11);
    EXPECT_TRUE(value) << "unchanged";
    value = true;
    EXPECT_EQ(store.ReadValue("S", "Capital", false, &value), 0);
    EXPECT_FALSE(value) << "the default";
}

TEST_F(TypedTest, NumbersParseTheirLeadingDigits) {
    ASSERT_EQ(store.WriteValue("S", "Mixed", "12abc"), 0);
    ASSERT_EQ(store.WriteValue("S", "Word", "x"), 0);
    int number = 0;
    EXPECT_EQ(store.ReadValue("S", "Mixed", &number), 0);
    EXPECT_EQ(number, 12);
    EXPECT_EQ(store.ReadValue("S", "Word", &number), -11);
    EXPECT_EQ(store.ReadValue("S", "Word", 7, &number), 0);
    EXPECT_EQ(number, 7);
    EXPECT_EQ(store.ReadValue("S", "Absent", 8, &number), 0);
    EXPECT_EQ(number, 8);
    ASSERT_EQ(store.WriteValue("S", "Negative", -42), 0);
    EXPECT_EQ(store.ReadValue("S", "Negative", &number), 0);
    EXPECT_EQ(number, -42);
}

TEST_F(TypedTest, DoublesKeepSixDecimals) {
    ASSERT_EQ(store.WriteValue("S", "Ratio", 2.0 / 3.0), 0);
    double value = 0;
    EXPECT_EQ(store.ReadValue("S", "Ratio", &value), 0);
    EXPECT_DOUBLE_EQ(value, 0.666667);
    EXPECT_NE(qvutest::ReadFile(IniFile()).find("Ratio=0.666667"), std::string::npos);
    // Too long for a number read: refused rather than read back as another number.
    EXPECT_EQ(store.WriteValue("S", "Huge", 1e30), -11);
    EXPECT_EQ(store.ReadValue("S", "Huge", &value), -8);
}

TEST_F(TypedTest, TextDefaultIsCutToTheBuffer) {
    char small[4];
    EXPECT_EQ(store.ReadValue("S", "Absent", "abcdef", small, sizeof small), -12);
    EXPECT_STREQ(small, "abc");
    char fits[7];
    EXPECT_EQ(store.ReadValue("S", "Absent", "abcdef", fits, sizeof fits), 0);
    EXPECT_STREQ(fits, "abcdef");
    char one[1] = {'x'};
    EXPECT_EQ(store.ReadValue("S", "Absent", nullptr, one, 1), 0);
    EXPECT_EQ(one[0], '\0');
    KxString text = "old";
    EXPECT_EQ(store.ReadValue("S", "Absent", nullptr, text), 0);
    EXPECT_TRUE(text.IsEmpty());
}

TEST_F(TypedTest, PathsEndWithABackslash) {
    ASSERT_EQ(store.WriteValue("Locations", "Plain", "C:\\Data"), 0);
    ASSERT_EQ(store.WriteValue("Locations", "Ended", "C:\\Data\\"), 0);
    KxString path;
    EXPECT_EQ(store.ReadPath("Locations", "Plain", path), 0);
    EXPECT_STREQ(path, "C:\\Data\\");
    EXPECT_EQ(store.ReadPath("Locations", "Ended", path), 0);
    EXPECT_STREQ(path, "C:\\Data\\");
    char eight[8];
    EXPECT_EQ(store.ReadPath("Locations", "Plain", eight, sizeof eight), -9);
    EXPECT_STREQ(eight, "C:\\Data");
    char nine[9];
    EXPECT_EQ(store.ReadPath("Locations", "Plain", nine, sizeof nine), 0);
    EXPECT_STREQ(nine, "C:\\Data\\");
    EXPECT_EQ(store.ReadPath("Locations", "Absent", "D:\\Default", path), 0);
    EXPECT_STREQ(path, "D:\\Default\\");
    EXPECT_EQ(store.ReadPath("Locations", "Absent", path), -8);
}

TEST_F(TypedTest, UsersAreNumberedInTurn) {
    ASSERT_EQ(store.WriteUserValue("General", "Colour", "blue"), 0);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kBase) + "LastUser"), "0001");
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, std::string(kBase) + "User"), "0001");
    EXPECT_NE(qvutest::ReadFile(IniFile()).find("User0001_#_Colour=blue"), std::string::npos);

    // Another Windows user has no number of its own yet.
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, (std::string(kBase) + "User").c_str()),
              ERROR_SUCCESS);
    ASSERT_EQ(store.WriteUserValue("General", "Colour", "red"), 0);
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, std::string(kBase) + "User"), "0002");
    KxString colour;
    EXPECT_EQ(store.ReadUserValue("General", "Colour", colour), 0);
    EXPECT_STREQ(colour, "red");
}

TEST_F(TypedTest, UserValuesRoundTripWithTheirTypes) {
    ASSERT_EQ(store.WriteUserValue("S", "Flag", true), 0);
    ASSERT_EQ(store.WriteUserValue("S", "Count", 5), 0);
    ASSERT_EQ(store.WriteUserValue("S", "Ratio", 0.5), 0);
    ASSERT_EQ(store.WriteUserValue("S", "Folder", "C:\\Users\\Me"), 0);
    bool flag = false;
    int count = 0;
    double ratio = 0;
    EXPECT_EQ(store.ReadUserValue("S", "Flag", &flag), 0);
    EXPECT_EQ(store.ReadUserValue("S", "Count", &count), 0);
    EXPECT_EQ(store.ReadUserValue("S", "Ratio", &ratio), 0);
    EXPECT_TRUE(flag);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(ratio, 0.5);
    char folder[64];
    EXPECT_EQ(store.ReadUserPath("S", "Folder", folder, sizeof folder), 0);
    EXPECT_STREQ(folder, "C:\\Users\\Me\\");
    EXPECT_EQ(store.ReadUserValue("S", "Absent", 3, &count), 0);
    EXPECT_EQ(count, 3);
    int shared = 0;
    EXPECT_EQ(store.ReadValue("S", "Count", &shared), -8) << "kept apart from shared values";
}

TEST_F(TypedTest, BadUserArgumentsAreRefusedInOrder) {
    EXPECT_EQ(store.WriteUserValue("S", "Key", ""), -6);
    EXPECT_EQ(store.WriteUserValue("", "Key", "v"), -6);
    EXPECT_EQ(store.ReadUserValue("S", nullptr, nullptr, 0), -6);
    EXPECT_FALSE(std::filesystem::exists(IniFile())) << "nothing written";
    QVRegistry uninitialised;
    EXPECT_EQ(uninitialised.WriteUserValue("", "", ""), -10);
}

// A store whose text read answers from memory: the typed reads follow it.
class MemoryStore : public QVRegistry {
public:
    using QVRegistry::ReadValue;
    int ReadValue(const char*, const char* key, char* buffer, int size) override {
        std::strncpy(buffer, std::strcmp(key, "Flag") == 0 ? "true" : "41", size - 1);
        buffer[size - 1] = '\0';
        return 0;
    }
};

TEST_F(SettingsTest, TypedReadsGoThroughTheTextReadOfADerivedStore) {
    MemoryStore store;
    InitStore(store);
    bool flag = false;
    int number = 0;
    EXPECT_EQ(store.ReadValue("S", "Flag", &flag), 0);
    EXPECT_TRUE(flag);
    EXPECT_EQ(store.ReadValue("S", "Number", 0, &number), 0);
    EXPECT_EQ(number, 41);
    char path[8];
    EXPECT_EQ(store.ReadPath("S", "Number", path, sizeof path), 0);
    EXPECT_STREQ(path, "41\\");
    EXPECT_EQ(store.ReadUserValue("S", "Number", &number), 0);
    EXPECT_FALSE(std::filesystem::exists(IniFile()));
}

TEST_F(TypedTest, TwoProcessesWritingOneIniFileKeepBothValues) {
    constexpr int kKeys = 100;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QVRegistry other;
        other.Init("Kaltrex", "Quorvane Zetra", "4.0", "QVZ", "VAZuvedev");
        for (int i = 0; i < kKeys; ++i)
            other.WriteValue("Child", std::to_string(i).c_str(), i);
        _exit(0);
    }
    for (int i = 0; i < kKeys; ++i)
        store.WriteValue("Parent", std::to_string(i).c_str(), i);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int i = 0; i < kKeys; ++i) {
        int parent = -1, fromChild = -1;
        EXPECT_EQ(store.ReadValue("Parent", std::to_string(i).c_str(), &parent), 0);
        EXPECT_EQ(store.ReadValue("Child", std::to_string(i).c_str(), &fromChild), 0);
        EXPECT_EQ(parent, i);
        EXPECT_EQ(fromChild, i);
    }
}

// Accounts other than the administrator cannot move the machine's counter:
// each still gets a number of its own and keeps it.
TEST_F(TypedTest, AccountsThatCannotCountOnTheMachineKeepNumbersOfTheirOwn) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to run as other accounts";
    namespace fs = std::filesystem;
    // The other accounts reach the machine root and write the INI file.
    for (fs::path folder = drive / "Data"; folder != root.Folder().parent_path();
         folder = folder.parent_path())
        fs::permissions(folder, fs::perms::others_exec | fs::perms::others_read,
                        fs::perm_options::add);
    fs::permissions(drive / "Data", fs::perms::all);
    const auto writeAs = [this](uid_t account, const char* colour) {
        const pid_t child = fork();
        if (child == 0) {
            if (setgid(account) != 0 || setuid(account) != 0)
                _exit(100);
            KxString first;
            KxString again;
            const bool ok = store.WriteUserValue("General", "Colour", colour) == 0 &&
                            store.ReadUserValue("General", "Colour", first) == 0 &&
                            store.WriteUserValue("General", "Size", 7) == 0 &&
                            store.ReadUserValue("General", "Colour", again) == 0;
            _exit(ok && std::strcmp(first, colour) == 0 && std::strcmp(again, colour) == 0 ? 0 : 1);
        }
        int status = 0;
        return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
               WEXITSTATUS(status) == 0;
    };
    ASSERT_EQ(store.WriteUserValue("General", "Colour", "root"), 0);
    fs::permissions(IniFile(), fs::perms::others_write, fs::perm_options::add);
    EXPECT_TRUE(writeAs(65534, "nobody"));
    EXPECT_TRUE(writeAs(65533, "other"));
    EXPECT_TRUE(writeAs(65534, "nobody"));

    const std::string ini = qvutest::ReadFile(IniFile());
    EXPECT_NE(ini.find("User0001_#_Colour=root"), std::string::npos) << ini;
    EXPECT_NE(ini.find("User1065534_#_Colour=nobody"), std::string::npos) << ini;
    EXPECT_NE(ini.find("User1065533_#_Colour=other"), std::string::npos) << ini;
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kBase) + "LastUser"), "0001");
    // Still root's: another account's file would take no more of root's writes.
    struct stat st {};
    EXPECT_EQ(stat(IniFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(store.WriteUserValue("General", "Colour", "root again"), 0);
}

} // namespace
