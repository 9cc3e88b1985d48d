// A settings store of one product in a temporary machine root, with drive C
// mapped and the product's INI folder recorded as C:\Data.
#pragma once

#include "platform/registry.h"
#include "settings/QVRegistry.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <string>

namespace qvutest {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        drive = root.MapDrive('C');
        std::filesystem::create_directories(drive / "Data");
    }

    // A store for the product, initialised, its INI folder C:\Data.
    void InitStore(QVRegistry& store) {
        ASSERT_EQ(store.Init("Kaltrex", "Quorvane Zetra", "4.0", "QVZ", "VAZuvedev"), 0);
        ASSERT_EQ(store.SetIniFilePath("C:\\Data"), 0);
    }

    std::filesystem::path IniFile() const { return drive / "Data" / "Rered.ini"; }

    // The default value of a key below HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER, or
    // "<missing>" when the key does not exist.
    static std::string RegistryText(HKEY root, const std::string& path) {
        HKEY key = nullptr;
        if (RegOpenKeyA(root, path.c_str(), &key) != ERROR_SUCCESS)
            return "<missing>";
        char buffer[1024] = {};
        LONG size = sizeof buffer;
        const LONG result = RegQueryValueA(key, nullptr, buffer, &size);
        RegCloseKey(key);
        return result == ERROR_SUCCESS ? std::string(buffer) : "<unreadable>";
    }

    static bool KeyExists(HKEY root, const std::string& path) {
        HKEY key = nullptr;
        if (RegOpenKeyA(root, path.c_str(), &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    static void SetRegistryText(HKEY root, const std::string& path, const std::string& value) {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.data()),
                                 static_cast<DWORD>(value.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    static constexpr const char* kBase = "Software\\Kaltrex\\Quorvane Zetra\\4.0\\";

    TempRoot root;
    std::filesystem::path drive;
};

} // namespace qvutest
