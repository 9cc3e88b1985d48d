#include "platform/registry.h"
#include "tests/platform/RegistryTestSupport.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <grp.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using registrytest::Default;
using registrytest::SetDefault;

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

// Runs checks in a child that has given up root for the account nobody; the
// child's exit status is the number of the first check that failed.
int RunAsNobody(int (*checks)()) {
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)
            _exit(100);
        _exit(checks());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

int NobodysChecks() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\New", 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) != static_cast<LONG>(ERROR_ACCESS_DENIED))
        return 1;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Kaltrex", 0, KEY_WRITE, &key) !=
        static_cast<LONG>(ERROR_ACCESS_DENIED))
        return 2;
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\IniFilePath") !=
        static_cast<LONG>(ERROR_ACCESS_DENIED))
        return 3;
    if (Default(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\IniFilePath") != "C:\\Data\\")
        return 4; // the machine hive is readable by all
    if (SetDefault(HKEY_CURRENT_USER, "Software\\Kaltrex\\User", "0002") != ERROR_SUCCESS ||
        Default(HKEY_CURRENT_USER, "Software\\Kaltrex\\User") != "0002")
        return 5; // every account has a hive of its own
    const std::string rootsHive = "uid-0\\Software\\Kaltrex\\User";
    if (Default(HKEY_USERS, rootsHive.c_str()) != "<error 5>")
        return 6; // and cannot read another's
    return 0;
}

TEST(RegistryAccessTest, MachineHiveIsWritableOnlyByTheAdministrator) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to drop privileges in a child";
    qvutest::TempRoot root;
    // The account nobody must reach the machine root inside the temporary folder.
    fs::permissions(root.Folder(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\Kaltrex\\IniFilePath", "C:\\Data\\"),
              ERROR_SUCCESS);
    ASSERT_EQ(SetDefault(HKEY_CURRENT_USER, "Software\\Kaltrex\\User", "0001"), ERROR_SUCCESS);

    EXPECT_EQ(RunAsNobody(NobodysChecks), 0);

    const fs::path registry = root.Root() / "registry";
    EXPECT_EQ(fs::status(registry / "machine.db").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    EXPECT_EQ(fs::status(registry / "users" / "uid-0.db").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Default(HKEY_USERS, "uid-65534\\Software\\Kaltrex\\User"), "0002");
    EXPECT_EQ(Default(HKEY_CURRENT_USER, "Software\\Kaltrex\\User"), "0001");
}

TEST(RegistryAccessTest, HiveOfAnotherAccountUnderItsNameIsRefused) {
    qvutest::TempRoot root;
    ASSERT_EQ(SetDefault(HKEY_CURRENT_USER, "Software\\X", "mine"), ERROR_SUCCESS);
    // A hive file named for another account but not owned by it, as another
    // account could plant it in the shared folder.
    const fs::path users = root.Root() / "registry" / "users";
    const std::string other = "uid-" + std::to_string(geteuid() + 1);
    fs::copy_file(users / ("uid-" + std::to_string(geteuid()) + ".db"), users / (other + ".db"));
    EXPECT_EQ(Default(HKEY_USERS, (other + "\\Software\\X").c_str()), "<error 5>");
}

} // namespace
