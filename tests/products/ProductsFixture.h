// A machine of the tests' own for the product knowledge: a temporary root
// with drive C mapped, no system folder, and the current folder inside the
// root, so that bare module names find nothing of the build tree.
#pragma once

#include "platform/registry.h"
#include "products/ProductCatalogue.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempRoot.h"
#include "tests/support/VersionTestDll.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace qvutest {

class ProductsTest : public ::testing::Test {
protected:
    void SetUp() override {
        drive = root.MapDrive('C');
        environment.Unset("QVU_SYSTEM_DIR");
        std::filesystem::create_directories(root.Folder() / "work");
        std::filesystem::current_path(root.Folder() / "work");
    }

    // The file behind a Windows path on drive C ("C:\Data\Rered.ini").
    std::filesystem::path OnDrive(const std::string& windowsPath) const {
        std::string relative = windowsPath.substr(3);
        std::replace(relative.begin(), relative.end(), '\\', '/');
        return drive / relative;
    }

    // Records folder as the default value of the product's subkey
    // (IniFilePath or InstallPath), as the product's installer does.
    static void Record(Product product, const std::string& subkey, const std::string& folder) {
        const std::string path = std::string(FindProduct(product).RegistryKey) + subkey;
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(folder.c_str()),
                                 static_cast<DWORD>(folder.size() + 1)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    // Writes the product's settings file with the given text.
    void WriteSettingsFile(const std::string& settingsFolder, const std::string& text = "") {
        WriteFile(OnDrive(settingsFolder + "Rered.ini"), text);
    }

    // A product installed the usual way: both folders recorded, Rered.ini in
    // the settings folder.
    void Install(Product product, const std::string& settingsFolder,
                 const std::string& installationFolder) {
        Record(product, "IniFilePath", settingsFolder);
        Record(product, "InstallPath", installationFolder);
        WriteSettingsFile(settingsFolder);
    }

    void MakeModule(const std::string& windowsPath, const std::string& fileVersion,
                    const std::string& options = "") {
        MakeVersionDll(OnDrive(windowsPath), fileVersion, options);
    }

    TempRoot root;
    ScopedEnvironment environment;
    std::filesystem::path drive;
};

} // namespace qvutest
