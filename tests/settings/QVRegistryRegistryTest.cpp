#include "tests/settings/SettingsFixture.h"

#include <string>

namespace {

using qvutest::SettingsTest;

TEST_F(SettingsTest, ReadRegistryAnswersItsCodes) {
    QVRegistry store;
    InitStore(store);
    KxString value;
    EXPECT_EQ(store.ReadRegistry(HKEY_LOCAL_MACHINE, "Missing", value), -3);

    ASSERT_EQ(store.WriteRegistry(HKEY_LOCAL_MACHINE, "Number", "12345", false), 0);
    char small[5];
    EXPECT_EQ(store.ReadRegistry(HKEY_LOCAL_MACHINE, "Number", small, sizeof small), -1);
    char fits[6];
    EXPECT_EQ(store.ReadRegistry(HKEY_LOCAL_MACHINE, "Number", fits, sizeof fits), 0);
    EXPECT_STREQ(fits, "12345");
    EXPECT_EQ(store.ReadRegistry(HKEY_LOCAL_MACHINE, "Number", value), 0);
    EXPECT_STREQ(value, "12345");
    EXPECT_EQ(value.GetLength(), 5);
}

TEST_F(SettingsTest, WrittenValueIsADefaultTextValueOfItsKey) {
    QVRegistry store;
    InitStore(store);
    ASSERT_EQ(store.WriteRegistry(HKEY_LOCAL_MACHINE, "Deeper\\Key", "text", false), 0);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kBase) + "deeper\\KEY").c_str(), 0,
                            KEY_QUERY_VALUE, &key),
              ERROR_SUCCESS);
    DWORD type = 0;
    char data[16] = {};
    DWORD size = sizeof data;
    ASSERT_EQ(RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(data, "text");
}

TEST_F(SettingsTest, KeepExistingLeavesAReadableValueAlone) {
    QVRegistry store;
    InitStore(store);
    ASSERT_EQ(store.WriteRegistry(HKEY_LOCAL_MACHINE, "Name", "first", true), 0);
    EXPECT_EQ(store.WriteRegistry(HKEY_LOCAL_MACHINE, "Name", "second", true), -13);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kBase) + "Name"), "first");
    EXPECT_EQ(store.WriteRegistry(HKEY_LOCAL_MACHINE, "Name", "second", false), 0);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kBase) + "Name"), "second");
}

TEST_F(SettingsTest, NullArgumentsAreRefused) {
    QVRegistry store;
    InitStore(store);
    KxString value;
    EXPECT_EQ(store.ReadRegistry(HKEY_LOCAL_MACHINE, nullptr, value), -6);
    EXPECT_EQ(store.WriteRegistry(HKEY_LOCAL_MACHINE, "Name", nullptr, false), -6);
    EXPECT_EQ(store.ReadRegistry(HKEY_LOCAL_MACHINE, "Name", nullptr, 4), -6);
    EXPECT_EQ(store.AddRegistryListItem(HKEY_LOCAL_MACHINE, "Recent", nullptr, "x"), -6);
    EXPECT_EQ(store.RemoveRegistryListItem(HKEY_LOCAL_MACHINE, "Recent", "File", nullptr), 0);
}

TEST_F(SettingsTest, ListAddsOnceAndFromEntryZero) {
    QVRegistry store;
    InitStore(store);
    EXPECT_EQ(store.AddRegistryListItem(HKEY_LOCAL_MACHINE, "Recent", "File", "a"), 0);
    EXPECT_EQ(store.AddRegistryListItem(HKEY_LOCAL_MACHINE, "Recent", "File", "a"), 0);
    EXPECT_EQ(store.AddRegistryListItem(HKEY_LOCAL_MACHINE, "Recent", "File", "b"), 0);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kBase) + "Recent\\File_0000"), "a");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kBase) + "Recent\\File_0001"), "b");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kBase) + "Recent\\File_0002"));
    KxString entry;
    EXPECT_EQ(store.ReadRegistryListItem(HKEY_LOCAL_MACHINE, "Recent", "File", 1, entry), 0);
    EXPECT_STREQ(entry, "b");
}

TEST_F(SettingsTest, RemovingAnEntryClosesTheGap) {
    QVRegistry store;
    InitStore(store);
    for (const char* value : {"a", "b", "c"})
        store.AddRegistryListItem(HKEY_LOCAL_MACHINE, "Recent", "File", value);
    EXPECT_EQ(store.RemoveRegistryListItem(HKEY_LOCAL_MACHINE, "Recent", "File", "b"), 0);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kBase) + "Recent\\File_0000"), "a");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kBase) + "Recent\\File_0001"), "c");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kBase) + "Recent\\File_0002"));
    EXPECT_EQ(store.RemoveRegistryListItem(HKEY_LOCAL_MACHINE, "Recent", "File", "zzz"), 0);
}

TEST_F(SettingsTest, RemovingTheOnlyEntryPrunesEmptyKeysUpward) {
    QVRegistry store;
    InitStore(store); // IniFilePath keeps the version key alive
    store.AddRegistryListItem(HKEY_LOCAL_MACHINE, "Lists\\Recent", "File", "only");
    EXPECT_EQ(store.RemoveRegistryListItem(HKEY_LOCAL_MACHINE, "Lists\\Recent", "File", "only"), 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kBase) + "Lists"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kBase) + "IniFilePath"));

    // With nothing else below the product, pruning climbs to the company key.
    QVRegistry other;
    ASSERT_EQ(other.Init("Kaltrex", "Quorvane Hulo", "5.0", "QVH", nullptr), 0);
    other.AddRegistryListItem(HKEY_LOCAL_MACHINE, "Recent", "File", "only");
    other.RemoveRegistryListItem(HKEY_LOCAL_MACHINE, "Recent", "File", "only");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\Quorvane Hulo"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Kaltrex"));
}

TEST_F(SettingsTest, ListEndsBeforeAnEntryLongerThan511) {
    QVRegistry store;
    InitStore(store);
    store.AddRegistryListItem(HKEY_LOCAL_MACHINE, "Recent", "File", "a");
    store.WriteRegistry(HKEY_LOCAL_MACHINE, "Recent\\File_0001", std::string(600, 'x').c_str(),
                        false);
    store.AddRegistryListItem(HKEY_LOCAL_MACHINE, "Recent", "File", "c");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, std::string(kBase) + "Recent\\File_0001"), "c");
}

TEST_F(SettingsTest, DeleteKeepsProtectedKeysAndTheirPath) {
    const std::string top = "Software\\Test\\Top";
    for (const char* sub : {"dd", "x", "y", "x\\fdd", "y\\deep"})
        SetRegistryText(HKEY_LOCAL_MACHINE, top + "\\" + sub, "v");
    char path[] = "Software\\Test\\Top";
    EXPECT_EQ(DeleteKeyAndAllSubkeys(HKEY_LOCAL_MACHINE, path), 0);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, top + "\\dd"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, top + "\\x\\fdd"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, top + "\\y"));

    char plain[] = "Software\\Test\\Top\\x\\fdd";
    DeleteKeyAndAllSubkeys(HKEY_LOCAL_MACHINE, plain);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, top + "\\x\\fdd")) << "the key itself may go";
    char missing[] = "Software\\Test\\Nothing";
    EXPECT_EQ(DeleteKeyAndAllSubkeys(HKEY_LOCAL_MACHINE, missing), 0);
}

TEST_F(SettingsTest, DeleteAllRegistryKeysCoversMachineAndUsers) {
    QVRegistry uninitialised;
    EXPECT_EQ(uninitialised.DeleteAllRegistryKeys(), -10);

    QVRegistry store;
    InitStore(store);
    SetRegistryText(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\Other\\1.0\\Keep", "v");
    ASSERT_EQ(store.WriteUserValue("General", "Colour", "blue"), 0); // hands out User0001
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, std::string(kBase) + "User"));

    EXPECT_EQ(store.DeleteAllRegistryKeys(), 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\Quorvane Zetra"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\Other\\1.0\\Keep"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::string(kBase) + "User"));
}

} // namespace
