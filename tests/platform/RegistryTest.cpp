#include "platform/registry.h"
#include "tests/platform/RegistryTestSupport.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

using registrytest::Default;
using registrytest::KeyExists;
using registrytest::SetDefault;
using registrytest::SetText;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    qvutest::TempRoot root;
};

std::vector<std::string> SubKeys(HKEY key) {
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
        names.emplace_back(name);
    return names;
}

TEST_F(RegistryTest, ValuesAreReadBackWithTheirTypeAndBytes) {
    ASSERT_EQ(SetText(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\Zetra", "Path", "C:\\Zetra\\"),
              ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\Zetra", 0, KEY_QUERY_VALUE, &key),
        ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExA(key, "Path", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 10u) << "nine characters stored without terminator, answered with one";
    char text[32];
    size = sizeof text;
    ASSERT_EQ(RegQueryValueExA(key, "Path", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "C:\\Zetra\\");
    EXPECT_EQ(size, 10u);

    HKEY writable = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\Zetra", 0, KEY_ALL_ACCESS, &writable),
        ERROR_SUCCESS);
    const DWORD number = 0x1f;
    const BYTE blob[] = {0, 1, 2, 0xff};
    ASSERT_EQ(RegSetValueExA(writable, "Count", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&number), sizeof number),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(writable, "Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
    DWORD read = 0;
    size = sizeof read;
    ASSERT_EQ(RegQueryValueExA(key, "COUNT", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(read, 0x1fu);
    BYTE readBlob[8] = {};
    size = sizeof readBlob;
    ASSERT_EQ(RegQueryValueExA(key, "blob", nullptr, &type, readBlob, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    ASSERT_EQ(size, 4u) << "binary data gets no terminator";
    EXPECT_EQ(std::vector<BYTE>(readBlob, readBlob + 4), std::vector<BYTE>(blob, blob + 4));

    ASSERT_EQ(RegSetValueExA(writable, "PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>("D:\\"), 3),
              ERROR_SUCCESS);
    char name[16];
    DWORD nameSize = sizeof name;
    size = sizeof text;
    ASSERT_EQ(RegEnumValueA(key, 2, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(text),
                            &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "Path") << "overwriting keeps the name as first written";
    EXPECT_STREQ(text, "D:\\");
    RegCloseKey(writable);
    RegCloseKey(key);
}

TEST_F(RegistryTest, KeyNamesMatchIgnoringCaseAndKeepTheirSpelling) {
    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\Quorvane Olvin", "x"),
              ERROR_SUCCESS);
    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "SOFTWARE\\kaltrex\\QUORVANE OLVIN", "y"),
              ERROR_SUCCESS);
    EXPECT_EQ(Default(HKEY_LOCAL_MACHINE, "software\\KALTREX\\quorvane olvin"), "y");

    HKEY kaltrex = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Kaltrex", &kaltrex), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(kaltrex), std::vector<std::string>{"Quorvane Olvin"});
    RegCloseKey(kaltrex);
}

TEST_F(RegistryTest, DefaultValueIsTheUnnamedValue) {
    const char* path = "Software\\Kaltrex\\Quorvane Zetra\\4.0\\IniFilePath";
    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, path, "C:\\Data\\"), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, path, &key), ERROR_SUCCESS);

    LONG size = 0;
    ASSERT_EQ(RegQueryValueA(key, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 9) << "the size needed counts the terminator";
    char text[16];
    DWORD textSize = sizeof text;
    ASSERT_EQ(RegQueryValueExA(key, "", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &textSize),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "C:\\Data\\") << "a null and an empty name are the same value";
    EXPECT_EQ(Default(HKEY_LOCAL_MACHINE, path), "C:\\Data\\");
    RegCloseKey(key);

    ASSERT_EQ(SetText(HKEY_LOCAL_MACHINE, "Software\\OnlyNamed", "Name", "v"), ERROR_SUCCESS);
    EXPECT_EQ(Default(HKEY_LOCAL_MACHINE, "Software\\OnlyNamed"), "")
        << "a key without default value reads as the empty string";
}

TEST_F(RegistryTest, ValueThatDoesNotFitAnswersMoreDataAndTheSizeNeeded) {
    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\LastUser", "12345"),
              ERROR_SUCCESS);
    char buffer[8] = "xxxxxxx";
    LONG size = 5;
    EXPECT_EQ(RegQueryValueA(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\LastUser", buffer, &size),
              static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 6);
    size = 6;
    EXPECT_EQ(RegQueryValueA(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\LastUser", buffer, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "12345");

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\LastUser", &key), ERROR_SUCCESS);
    DWORD bytes = 5;
    EXPECT_EQ(
        RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes),
        static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(bytes, 6u);
    RegCloseKey(key);
}

TEST_F(RegistryTest, MissingKeysAndValuesAreNotFound) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\None", 0, KEY_READ, &key),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\None", &key),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    LONG size = 0;
    EXPECT_EQ(RegQueryValueA(HKEY_LOCAL_MACHINE, "Software\\None", nullptr, &size),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\Software", 0, KEY_READ, &key),
              static_cast<LONG>(ERROR_BAD_PATHNAME));

    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\Some\\", "x"), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Some", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD bytes = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, nullptr, nullptr, &bytes),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    RegCloseKey(key);
    EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_INVALID_HANDLE));
}

TEST_F(RegistryTest, CreateMakesTheWholePathAndTellsWhetherItWasNew) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\A\\B\\C", 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\a\\b\\c", 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(key);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\A\\B"));

    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\A", 0, KEY_READ, &readOnly),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(readOnly, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 1),
              static_cast<LONG>(ERROR_ACCESS_DENIED))
        << "a handle opened for reading cannot set values";
    EXPECT_EQ(RegCreateKeyExA(readOnly, "New", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              static_cast<LONG>(ERROR_ACCESS_DENIED));
    RegCloseKey(readOnly);
}

TEST_F(RegistryTest, DeleteRefusesAKeyWithSubkeys) {
    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\P\\Child", "c"), ERROR_SUCCESS);
    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\P", "p"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\P"),
              static_cast<LONG>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(Default(HKEY_LOCAL_MACHINE, "Software\\P"), "p");

    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "software\\p\\CHILD"), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\P\\Child"));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\P\\Child"),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\P"), ERROR_SUCCESS);

    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\P", "again"), ERROR_SUCCESS);
    EXPECT_EQ(Default(HKEY_LOCAL_MACHINE, "Software\\P"), "again")
        << "a key made anew does not inherit the deleted key's values";
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), static_cast<LONG>(ERROR_ACCESS_DENIED))
        << "the hive's top stays";
}

TEST_F(RegistryTest, EnumerationIsOrderedIgnoringCaseAndEnds) {
    for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2"})
        ASSERT_EQ(
            SetDefault(HKEY_CURRENT_USER, ("Software\\List\\" + std::string(name)).c_str(), ""),
            ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_CURRENT_USER, "Software\\List", &key), ERROR_SUCCESS);
    EXPECT_EQ(SubKeys(key), (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "gamma"}));
    char name[6];
    EXPECT_EQ(RegEnumKeyA(key, 1, name, sizeof name), static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(RegEnumKeyA(key, 4, name, sizeof name), static_cast<LONG>(ERROR_NO_MORE_ITEMS));
    RegCloseKey(key);
}

TEST_F(RegistryTest, QueryInfoCountsAndMeasures) {
    ASSERT_EQ(SetText(HKEY_LOCAL_MACHINE, "Software\\Info", "LongerName", "12"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(HKEY_LOCAL_MACHINE, "Software\\Info", nullptr, "1234567"), ERROR_SUCCESS);
    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\Info\\Sub", ""), ERROR_SUCCESS);
    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\Info\\Subkey2", ""), ERROR_SUCCESS);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Info", &key), ERROR_SUCCESS);
    DWORD subKeys = 9, longestSubKey = 9, values = 9, longestName = 9, longestData = 9;
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &longestSubKey, nullptr,
                               &values, &longestName, &longestData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 2u);
    EXPECT_EQ(longestSubKey, 7u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(longestName, 10u);
    EXPECT_EQ(longestData, 7u) << "the data as stored";
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Info\\Sub", &key), ERROR_SUCCESS);
    ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                               &longestName, &longestData, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(longestName, 0u);
    EXPECT_EQ(longestData, 0u) << "an empty default value";
    RegCloseKey(key);
}

TEST_F(RegistryTest, UsersListsTheAccountsHivesAndReachesIntoThem) {
    ASSERT_EQ(SetDefault(HKEY_CURRENT_USER, "Software\\Kaltrex\\User", "0007"), ERROR_SUCCESS);
    const std::string own = "uid-" + std::to_string(geteuid());
    HKEY users = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_USERS, "", &users), ERROR_SUCCESS);
    EXPECT_EQ(users, HKEY_USERS) << "an empty name answers the key itself";
    EXPECT_EQ(SubKeys(users), std::vector<std::string>{own});
    DWORD count = 0;
    ASSERT_EQ(RegQueryInfoKeyA(users, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(count, 1u);

    const std::string path = own + "\\Software\\Kaltrex\\User";
    EXPECT_EQ(Default(HKEY_USERS, path.c_str()), "0007");
    ASSERT_EQ(SetDefault(HKEY_USERS, path.c_str(), "0008"), ERROR_SUCCESS);
    EXPECT_EQ(Default(HKEY_CURRENT_USER, "Software\\Kaltrex\\User"), "0008");

    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_USERS, "..\\machine", &key),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegOpenKeyA(HKEY_USERS, "uid-99999\\Software", &key),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegDeleteKeyA(HKEY_USERS, own.c_str()), static_cast<LONG>(ERROR_ACCESS_DENIED));
}

TEST_F(RegistryTest, HandleToADeletedKeyStaysDeleted) {
    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\Gone", "x"), ERROR_SUCCESS);
    HKEY stale = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Gone", 0, KEY_ALL_ACCESS, &stale),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Gone"), ERROR_SUCCESS);
    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\Gone", "new"), ERROR_SUCCESS);

    const auto deleted = static_cast<LONG>(ERROR_KEY_DELETED);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(stale, nullptr, nullptr, nullptr, nullptr, &size), deleted);
    EXPECT_EQ(RegSetValueExA(stale, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("y"), 1),
              deleted);
    char name[8];
    EXPECT_EQ(RegEnumKeyA(stale, 0, name, sizeof name), deleted);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyExA(stale, "Child", 0, nullptr, 0, KEY_WRITE, nullptr, &child, nullptr),
              deleted);
    EXPECT_EQ(RegCloseKey(stale), ERROR_SUCCESS);
    EXPECT_EQ(Default(HKEY_LOCAL_MACHINE, "Software\\Gone"), "new");
}

TEST_F(RegistryTest, DamagedHiveFailsClearly) {
    qvutest::WriteFile(root.Root() / "registry" / "machine.db",
                       std::string(4096, 'G') + "this is no registry hive");
    HKEY key = nullptr;
    const auto damaged = static_cast<LONG>(ERROR_BADDB);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), damaged);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              damaged);
    LONG size = 0;
    EXPECT_EQ(RegQueryValueA(HKEY_LOCAL_MACHINE, nullptr, nullptr, &size), damaged);
    EXPECT_EQ(SetDefault(HKEY_CURRENT_USER, "Software\\Fine", "ok"), ERROR_SUCCESS)
        << "the other hives are not affected";
}

} // namespace
