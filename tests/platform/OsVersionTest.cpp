#include "platform/errors.h"
#include "platform/system_info.h"
#include "platform/version.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempRoot.h"
#include "tests/support/VersionTestDll.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Requirement {
    DWORD major;
    DWORD minor;
    WORD servicePack;
};

// Asks whether the system is at least the given version, as version helpers do.
BOOL IsAtLeast(const Requirement& wanted) {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    info.dwMajorVersion = wanted.major;
    info.dwMinorVersion = wanted.minor;
    info.wServicePackMajor = wanted.servicePack;
    ULONGLONG conditions = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    conditions = VerSetConditionMask(conditions, VER_MINORVERSION, VER_GREATER_EQUAL);
    conditions = VerSetConditionMask(conditions, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR,
                              conditions);
}

// Asks whether the product type is the given one, with a record of its full size.
BOOL IsProductType(BYTE type) {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    info.wProductType = type;
    return VerifyVersionInfoW(&info, VER_PRODUCT_TYPE,
                              VerSetConditionMask(0, VER_PRODUCT_TYPE, VER_EQUAL));
}

class OsVersionTest : public ::testing::Test {
protected:
    void SetUp() override {
        environment.Unset("QVU_SYSTEM_DIR");
        // Nothing of the build folder may stand in for the system library.
        fs::current_path(root.Folder());
    }
    fs::path SystemFolder() const { return root.Folder() / "system32"; }
    void InstallWindows7() {
        qvutest::MakeVersionDll(SystemFolder() / "kernel32.dll",
                                "6.1.7601.17514 (win7sp1_rtm.101119-1850)", "--fixed 6.1.7601.0");
        environment.Set("QVU_SYSTEM_DIR", SystemFolder().string());
    }

    qvutest::TempRoot root;
    qvutest::ScopedEnvironment environment;
};

TEST_F(OsVersionTest, WithoutSystemFolderTheVersionIsUnknownAndPasses) {
    char folder[MAX_PATH];
    EXPECT_EQ(GetSystemDirectoryA(folder, sizeof folder), 0u);
    EXPECT_EQ(GetFileVersionInfoSizeA("Kernel32.dll", nullptr), 0u);
    EXPECT_TRUE(IsAtLeast({6, 2, 0}));
    EXPECT_TRUE(IsAtLeast({99, 0, 0}));
    EXPECT_TRUE(IsProductType(VER_NT_WORKSTATION));
    EXPECT_FALSE(IsProductType(VER_NT_SERVER));
}

TEST_F(OsVersionTest, SystemFolderIsAnsweredWindowsStyle) {
    const fs::path drive = root.MapDrive('C');
    environment.Set("QVU_SYSTEM_DIR", (drive / "Windows" / "System32").string() + "/");
    char folder[MAX_PATH];
    EXPECT_EQ(GetSystemDirectoryA(folder, sizeof folder), 19u);
    EXPECT_STREQ(folder, "C:\\Windows\\System32");
    EXPECT_EQ(GetSystemDirectoryA(folder, 19), 20u);
    environment.Set("QVU_SYSTEM_DIR", "C:\\");
    EXPECT_EQ(GetSystemDirectoryA(folder, sizeof folder), 3u);
    EXPECT_STREQ(folder, "C:\\");
}

TEST_F(OsVersionTest, Windows7LibraryFailsAWindows8Requirement) {
    InstallWindows7();
    std::vector<unsigned char> data(GetFileVersionInfoSizeA("Kernel32.dll", nullptr));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(
        GetFileVersionInfoA("Kernel32.dll", 0, static_cast<DWORD>(data.size()), data.data()));
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", &value, &length));
    EXPECT_EQ(static_cast<const VS_FIXEDFILEINFO*>(value)->dwFileVersionMS, 0x00060001u);

    EXPECT_FALSE(IsAtLeast({6, 2, 0}));
    EXPECT_EQ(GetLastError(), ERROR_OLD_WIN_VERSION);
    EXPECT_FALSE(IsAtLeast({10, 0, 0}));
    EXPECT_TRUE(IsAtLeast({6, 1, 0}));
    EXPECT_TRUE(IsAtLeast({6, 0, 0}));
    // A higher major version decides alone; a lower minor does not matter then.
    EXPECT_TRUE(IsAtLeast({5, 9, 0}));
    // The library's version carries no service pack: it counts as 0.
    EXPECT_FALSE(IsAtLeast({6, 1, 1}));
}

TEST_F(OsVersionTest, ServerMarkerMakesTheProductTypeServer) {
    InstallWindows7();
    EXPECT_TRUE(IsProductType(VER_NT_WORKSTATION));
    qvutest::WriteFile(SystemFolder() / "server", "");
    EXPECT_FALSE(IsProductType(VER_NT_WORKSTATION));
    EXPECT_EQ(GetLastError(), ERROR_OLD_WIN_VERSION);
    EXPECT_TRUE(IsProductType(VER_NT_SERVER));
}

TEST_F(OsVersionTest, ConditionMaskTakesOneAttributeACall) {
    EXPECT_EQ(VerSetConditionMask(0, VER_PRODUCT_TYPE, VER_EQUAL), ULONGLONG{1} << 21);
    EXPECT_EQ(VerSetConditionMask(0, VER_MINORVERSION, VER_LESS), ULONGLONG{4});
    // Several attributes at once: only the highest is set.
    EXPECT_EQ(VerSetConditionMask(0, VER_MAJORVERSION | VER_MINORVERSION, VER_GREATER_EQUAL),
              ULONGLONG{3} << 3);
    EXPECT_EQ(VerSetConditionMask(7, VER_MAJORVERSION, 0), ULONGLONG{7});
}

TEST_F(OsVersionTest, RequestsWithoutConditionsAreInvalid) {
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    const ULONGLONG major = VerSetConditionMask(0, VER_MAJORVERSION, VER_EQUAL);
    EXPECT_FALSE(VerifyVersionInfoW(&info, 0, major));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION, major));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(VerifyVersionInfoW(nullptr, VER_MAJORVERSION, major));
}

} // namespace
