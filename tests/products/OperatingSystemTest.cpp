#include "products/SystemIdentification.h"
#include "tests/products/ProductsFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace qvutest {
namespace {

TEST(OperatingSystemNameTest, NamesByVersionAndEdition) {
    struct Row {
        SystemVersion version;
        const char* name;
    };
    const Row rows[] = {
        {{3, 51, false}, "Microsoft Windows NT 3.51"},
        {{4, 7, true}, "Microsoft Windows NT 4.0"},
        {{5, 0, true}, "Microsoft Windows 2000"},
        {{5, 1, false}, "Microsoft Windows XP"},
        {{5, 2, true}, "Microsoft Windows 2003 Server"},
        {{5, 3, false}, "Microsoft WindowsNT 5.3 (unknown)"},
        {{6, 0, false}, "Microsoft Windows Vista"},
        {{6, 0, true}, "Microsoft Windows Server 2008"},
        {{6, 1, false}, "Microsoft Windows 7"},
        {{6, 1, true}, "Microsoft Windows Server 2008 R2"},
        {{6, 2, false}, "Microsoft Windows 8"},
        {{6, 2, true}, "Microsoft Windows Server 2012"},
        {{6, 3, false}, "Microsoft Windows 8.1"},
        {{6, 3, true}, "Microsoft Windows Server 2012 R2"},
        {{6, 4, true}, "Microsoft WindowsNT 6.4 (unknown)"},
        {{10, 0, false}, "Microsoft Windows 10"},
        {{10, 0, true}, "Microsoft Windows Server 2016"},
        {{10, 1, false}, "Microsoft WindowsNT 10.1 (unknown)"},
        {{11, 0, false}, "Microsoft WindowsNT 11.0 (unknown)"},
        {{2, 65535, false}, "Microsoft WindowsNT 2.65535 (unknown)"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(OperatingSystemName(row.version), row.name)
            << row.version.major << "." << row.version.minor;
}

TEST(OperatingSystemNameTest, UpdatesNeedVersion62) {
    EXPECT_FALSE(IsSupportedSystemVersion(5, 3));
    EXPECT_FALSE(IsSupportedSystemVersion(6, 1));
    EXPECT_TRUE(IsSupportedSystemVersion(6, 2));
    EXPECT_TRUE(IsSupportedSystemVersion(6, 4));
    EXPECT_TRUE(IsSupportedSystemVersion(10, 0));
}

class RunningSystemTest : public ProductsTest {
protected:
    // The system folder's Kernel32.dll carries version; a server edition has
    // a file "server" beside it.
    void RunOn(const std::string& version, bool server = false) {
        const std::filesystem::path folder = root.Folder() / "system32";
        MakeVersionDll(folder / "Kernel32.dll", version, "--fixed " + version);
        if (server)
            WriteFile(folder / "server", "");
        environment.Set("QVU_SYSTEM_DIR", folder.string());
    }

    // The name the update is refused with; "" when it goes on.
    static std::string Refusal() {
        std::string name = "unchanged";
        return IsUnsupportedSystem(name) ? name : "";
    }
};

TEST_F(RunningSystemTest, VersionAndEditionComeFromTheSystemFolder) {
    RunOn("6.1.7601.0", true);
    int major = 0;
    unsigned minor = 0;
    bool server = false;
    ASSERT_TRUE(QuerySystemVersion(major, minor, server));
    EXPECT_EQ(major, 6);
    EXPECT_EQ(minor, 1u);
    EXPECT_TRUE(server);
    EXPECT_EQ(DescribeOperatingSystem(), "Microsoft Windows Server 2008 R2");
}

TEST_F(RunningSystemTest, SystemsBefore62AreRefusedByName) {
    RunOn("6.1.7601.0");
    EXPECT_EQ(Refusal(), "Microsoft Windows 7");
    RunOn("6.1.7601.0", true);
    EXPECT_EQ(Refusal(), "Microsoft Windows Server 2008 R2");
    RunOn("5.3.0.0");
    EXPECT_EQ(Refusal(), "Microsoft WindowsNT 5.3 (unknown)");
}

TEST_F(RunningSystemTest, Systems62AndLaterAreAccepted) {
    for (const char* version : {"6.2.9200.0", "6.4.0.0", "10.0.22631.0"}) {
        RunOn(version);
        EXPECT_EQ(Refusal(), "") << version;
    }
    RunOn("10.0.20348.0", true);
    EXPECT_EQ(DescribeOperatingSystem(), "Microsoft Windows Server 2016");
    EXPECT_EQ(Refusal(), "");
}

TEST_F(RunningSystemTest, UnreadableVersionIsUnknownAndAccepted) {
    int major = 7;
    unsigned minor = 9;
    bool server = true;
    EXPECT_FALSE(QuerySystemVersion(major, minor, server));
    EXPECT_EQ(major, 0);
    EXPECT_EQ(minor, 0u);
    EXPECT_FALSE(server);
    EXPECT_EQ(DescribeOperatingSystem(), "(unknown)");
    EXPECT_EQ(Refusal(), "");

    // A system library without a version resource tells nothing either.
    const std::filesystem::path folder = root.Folder() / "system32";
    WriteFile(folder / "Kernel32.dll", "not a program");
    environment.Set("QVU_SYSTEM_DIR", folder.string());
    EXPECT_EQ(DescribeOperatingSystem(), "(unknown)");
    EXPECT_EQ(Refusal(), "");
}

} // namespace
} // namespace qvutest
