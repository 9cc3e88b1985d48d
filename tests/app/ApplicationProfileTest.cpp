#include "app/QVUUpdateApp.h"

#include "platform/registry.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

namespace {

class ApplicationProfileTest : public testing::Test {
protected:
    // The stored value's type and data, straight from the registry.
    bool QueryValue(const char* subKey, const char* name, DWORD& type, DWORD& data) const {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return false;
        DWORD size = sizeof data;
        const LONG result =
            RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
        RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }

    static bool KeyExists(const char* subKey) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    qvutest::TempRoot root;
    ApplicationProfile profile{"QVUUpdate"};
};

TEST_F(ApplicationProfileTest, EmptySectionIsTheApplicationKey) {
    EXPECT_EQ(profile.ApplicationKey(), "Software\\Kaltrex\\QVUUpdate");
    ASSERT_TRUE(profile.WriteProfileIntA("", "LastSelectedProduct", 128));
    DWORD type = REG_NONE;
    DWORD data = 0;
    ASSERT_TRUE(QueryValue("Software\\Kaltrex\\QVUUpdate", "LastSelectedProduct", type, data));
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(data, 128u);
    EXPECT_EQ(profile.GetProfileIntA("", "lastselectedproduct", 0), 128u);
    EXPECT_EQ(profile.GetProfileIntA(nullptr, "LastSelectedProduct", 0), 128u);
}

TEST_F(ApplicationProfileTest, NamedSectionIsASubkey) {
    ASSERT_TRUE(profile.WriteProfileIntA("Window", "Left", -5));
    DWORD type = REG_NONE;
    DWORD data = 0;
    ASSERT_TRUE(QueryValue("Software\\Kaltrex\\QVUUpdate\\Window", "Left", type, data));
    EXPECT_EQ(static_cast<int>(profile.GetProfileIntA("Window", "Left", 0)), -5);
    EXPECT_EQ(profile.GetProfileIntA("", "Left", 7), 7u);
}

TEST_F(ApplicationProfileTest, MissingOrForeignValuesAnswerTheDefault) {
    EXPECT_EQ(profile.GetProfileIntA("", "LastSelectedProduct", 0), 0u);
    EXPECT_EQ(profile.GetProfileIntA("", "LastSelectedProduct", 42), 42u);
    // Reading leaves no trace in the registry.
    EXPECT_FALSE(KeyExists("Software\\Kaltrex"));

    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kaltrex\\QVUUpdate", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const BYTE text[] = "128";
    RegSetValueExA(key, "AsText", 0, REG_SZ, text, sizeof text);
    const BYTE shortDword[] = {1, 0};
    RegSetValueExA(key, "Short", 0, REG_DWORD, shortDword, sizeof shortDword);
    RegCloseKey(key);
    EXPECT_EQ(profile.GetProfileIntA("", "AsText", 3), 3u);
    EXPECT_EQ(profile.GetProfileIntA("", "Short", 3), 3u);
}

TEST_F(ApplicationProfileTest, EachApplicationNameHasItsOwnProfile) {
    const ApplicationProfile beta("QVUUpdateBeta");
    ASSERT_TRUE(beta.WriteProfileIntA("", "LastSelectedProduct", 1));
    EXPECT_EQ(profile.GetProfileIntA("", "LastSelectedProduct", 0), 0u);
    EXPECT_EQ(beta.GetProfileIntA("", "LastSelectedProduct", 0), 1u);
}

TEST(ApplicationName, IsTheProgramFileBaseName) {
    EXPECT_EQ(ApplicationNameOf("C:\\Program Files\\Quorvane\\QVUUpdate.exe"), "QVUUpdate");
    EXPECT_EQ(ApplicationNameOf("\\opt\\quorvane\\bin\\QVUUpdate"), "QVUUpdate");
    EXPECT_EQ(ApplicationNameOf("C:\\v1.2\\QVUUpdateBeta.old.exe"), "QVUUpdateBeta.old");
    EXPECT_EQ(ApplicationNameOf("QVUUpdate.exe"), "QVUUpdate");
    EXPECT_EQ(ApplicationNameOf(RunningProgramPath()), "test_app");
}

TEST(BetaBuild, OnlyTheFileNameCounts) {
    EXPECT_TRUE(IsBetaBuild("C:\\Tools\\QVUUpdateBeta.exe"));
    EXPECT_TRUE(IsBetaBuild("C:\\Tools\\QVUUPDATE-BETA2.EXE"));
    EXPECT_TRUE(IsBetaBuild("alphabetadrop"));
    EXPECT_FALSE(IsBetaBuild("C:\\Beta\\QVUUpdate.exe"));
    EXPECT_FALSE(IsBetaBuild("C:\\Tools\\QVUUpdate.exe"));
    EXPECT_FALSE(IsBetaBuild(""));
}

} // namespace
