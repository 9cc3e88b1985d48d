#include "platform/registry.h"
#include "tests/platform/RegistryTestSupport.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

using registrytest::Default;
using registrytest::SetDefault;

namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

// Runs checks in a child that has given up root for the account; the
// child's exit status is the number of the first check that failed.
int RunAs(uid_t account, const std::function<int()>& checks) {
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(account) != 0 || setuid(account) != 0)
            _exit(100);
        _exit(checks());
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

int RunAsNobody(int (*checks)()) {
    return RunAs(kNobody, checks);
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
    EXPECT_EQ(fs::status(registry / "users" / "uid-0").permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(registry / "users" / "uid-0" / "hive.db").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Default(HKEY_USERS, "uid-65534\\Software\\Kaltrex\\User"), "0002");
    EXPECT_EQ(Default(HKEY_CURRENT_USER, "Software\\Kaltrex\\User"), "0001");
}

TEST(RegistryAccessTest, HiveOfAnotherAccountUnderItsNameIsRefused) {
    qvutest::TempRoot root;
    ASSERT_EQ(SetDefault(HKEY_CURRENT_USER, "Software\\X", "mine"), ERROR_SUCCESS);
    // A hive named for another account but not its own, as another account
    // could put it in the shared folder.
    const fs::path users = root.Root() / "registry" / "users";
    const std::string other = "uid-" + std::to_string(geteuid() + 1);
    fs::copy(users / ("uid-" + std::to_string(geteuid())), users / other);
    EXPECT_EQ(Default(HKEY_USERS, (other + "\\Software\\X").c_str()), "<error 5>");
}

// The users' folder as a machine has it, open to all like /tmp.
fs::path SharedUsersFolder(const qvutest::TempRoot& root) {
    const fs::path users = root.Root() / "registry" / "users";
    fs::create_directories(users);
    fs::permissions(users, fs::perms::all | fs::perms::sticky_bit);
    fs::permissions(root.Folder(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    return users;
}

// Nobody's hive works: made on first use, written and read back.
int NobodysOwnHive() {
    return SetDefault(HKEY_CURRENT_USER, "Software\\Kaltrex\\User", "nobody's") == ERROR_SUCCESS &&
                   Default(HKEY_CURRENT_USER, "Software\\Kaltrex\\User") == "nobody's"
               ? 0
               : 1;
}

TEST(RegistryAccessTest, RootsHiveTakenFirstByAnotherAccountIsTakenBack) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to run as another account";
    // What nobody can put in root's place, under every name a hive of root's
    // has gone by (uid-0.db: where hives used to lie): a folder of its own
    // holding a hive and a journal for it, a link to one, a file.
    const std::pair<const char*, std::function<bool(const fs::path&)>> takes[] = {
        {"folder",
         [](const fs::path& place) {
             return mkdir(place.c_str(), 0777) == 0 && chmod(place.c_str(), 0777) == 0 &&
                    (qvutest::WriteFile(place / "hive.db", "planted"),
                     qvutest::WriteFile(place / "hive.db-journal", "planted"), true);
         }},
        {"link",
         [](const fs::path& place) {
             const fs::path theirs = place.parent_path() / ("theirs-" + place.filename().string());
             return mkdir(theirs.c_str(), 0777) == 0 && symlink(theirs.c_str(), place.c_str()) == 0;
         }},
        {"file", [](const fs::path& place) {
             qvutest::WriteFile(place, "planted");
             return chmod(place.c_str(), 0666) == 0;
         }}};
    for (const auto& [kind, take] : takes) {
        SCOPED_TRACE(kind);
        qvutest::TempRoot root; // a fresh machine: hives stay open for the process's life
        const fs::path users = SharedUsersFolder(root);
        ASSERT_EQ(RunAs(kNobody,
                        [&, &take = take] {
                            return take(users / "uid-0") && take(users / "uid-0.db") ? 0 : 1;
                        }),
                  0);

        EXPECT_EQ(Default(HKEY_CURRENT_USER, "Software\\Kaltrex\\User"), "<error 2>");
        EXPECT_EQ(SetDefault(HKEY_CURRENT_USER, "Software\\Kaltrex\\User", "root's"),
                  ERROR_SUCCESS);
        EXPECT_EQ(Default(HKEY_CURRENT_USER, "Software\\Kaltrex\\User"), "root's");
        struct stat st {};
        ASSERT_EQ(lstat((users / "uid-0").c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_uid, 0u);
        EXPECT_EQ(st.st_mode & 07777, 0700u);
        const fs::path journal = users / "uid-0" / "hive.db-journal";
        EXPECT_NE(
            RunAs(kNobody, [&] { return open(journal.c_str(), O_WRONLY | O_CREAT, 0666) < 0; }), 0)
            << "nobody put a journal beside root's hive";
        EXPECT_EQ(RunAs(kNobody, NobodysOwnHive), 0) << "nobody keeps a hive of its own";
        EXPECT_EQ(Default(HKEY_USERS, "uid-65534\\Software\\Kaltrex\\User"), "nobody's");
    }
}

TEST(RegistryAccessTest, AnAccountsPlaceTakenByAnotherIsClearedWhenRootOpensTheRegistry) {
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to run as other accounts";
    qvutest::TempRoot root;
    const fs::path users = SharedUsersFolder(root);
    constexpr uid_t kSquatter = 65533;
    const fs::path place = users / "uid-65534";
    ASSERT_EQ(RunAs(kSquatter, [&] { return mkdir(place.c_str(), 0777) == 0 ? 0 : 1; }), 0);
    EXPECT_NE(RunAs(kNobody, NobodysOwnHive), 0) << "the place is another account's";

    ASSERT_EQ(SetDefault(HKEY_CURRENT_USER, "Software\\Kaltrex\\User", "root's"), ERROR_SUCCESS);
    EXPECT_EQ(RunAs(kNobody, NobodysOwnHive), 0);
    struct stat st {};
    ASSERT_EQ(lstat(place.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kNobody);
}

// A hive of the earlier layout (users/uid-N.db, its log beside it) keeps its
// settings: the account's own files move into its folder.
TEST(RegistryAccessTest, HiveOfTheEarlierLayoutMovesIntoTheAccountsFolder) {
    const std::string account = "uid-" + std::to_string(geteuid());
    qvutest::TempRoot earlier;
    ASSERT_EQ(SetDefault(HKEY_CURRENT_USER, "Software\\Kaltrex\\Kept", "kept"), ERROR_SUCCESS);
    const fs::path hive = earlier.Root() / "registry" / "users" / account / "hive.db";

    qvutest::TempRoot root;
    const fs::path users = SharedUsersFolder(root);
    const fs::path old = users / (account + ".db");
    fs::copy_file(hive, old);
    fs::copy_file(hive.string() + "-wal", old.string() + "-wal");
    EXPECT_EQ(Default(HKEY_CURRENT_USER, "Software\\Kaltrex\\Kept"), "kept");
    EXPECT_FALSE(fs::exists(old));
    EXPECT_TRUE(fs::exists(users / account / "hive.db"));
}

} // namespace
