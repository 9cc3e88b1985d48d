#include "platform/registry.h"
#include "tests/platform/RegistryTestSupport.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using registrytest::Default;
using registrytest::SetDefault;

namespace {

constexpr int kWriters = 4;
constexpr int kWritesEach = 200;

std::string OwnKey(int writer, int i) {
    return "Software\\Load\\W" + std::to_string(writer) + "\\" + std::to_string(i);
}
std::string SharedKey(int i) {
    return "Software\\Load\\Shared\\" + std::to_string(i);
}
std::string Text(int writer, int i) {
    return std::to_string(writer) + ":" + std::to_string(i);
}

// Writes the writer's own keys and, in between, the keys every writer writes;
// answers the number of failed writes.
int WriteMany(HKEY root, int writer) {
    int failures = 0;
    for (int i = 0; i < kWritesEach; ++i) {
        failures += SetDefault(root, OwnKey(writer, i).c_str(), Text(writer, i)) != ERROR_SUCCESS;
        failures += SetDefault(root, SharedKey(i % 20).c_str(), Text(writer, i)) != ERROR_SUCCESS;
    }
    return failures;
}

void ExpectAllWritesPresent(HKEY root) {
    int missing = 0;
    for (int writer = 0; writer < kWriters; ++writer) {
        for (int i = 0; i < kWritesEach; ++i)
            missing += Default(root, OwnKey(writer, i).c_str()) != Text(writer, i);
    }
    EXPECT_EQ(missing, 0);
    for (int i = 0; i < 20; ++i) {
        const std::string text = Default(root, SharedKey(i).c_str());
        EXPECT_NE(text.find(':'), std::string::npos) << "key " << i << " holds " << text;
    }
}

TEST(RegistryConcurrencyTest, ThreadsLoseNoWrite) {
    qvutest::TempRoot root;
    std::vector<int> failures(kWriters, 0);
    std::vector<std::thread> threads;
    for (int writer = 0; writer < kWriters; ++writer) {
        threads.emplace_back(
            [&failures, writer] { failures[writer] = WriteMany(HKEY_CURRENT_USER, writer); });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(kWriters, 0));
    ExpectAllWritesPresent(HKEY_CURRENT_USER);
}

TEST(RegistryConcurrencyTest, ProcessesLoseNoWrite) {
    qvutest::TempRoot root;
    // The parent has the hive open before it forks: each child must use a
    // connection of its own.
    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\Load", "start"), ERROR_SUCCESS);
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            _exit(WriteMany(HKEY_LOCAL_MACHINE, writer) == 0 ? 0 : 1);
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a child's writes failed";
    }
    ExpectAllWritesPresent(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(Default(HKEY_LOCAL_MACHINE, "Software\\Load"), "start");
}

TEST(RegistryConcurrencyTest, WriterKilledMidWayLeavesAUsableHive) {
    qvutest::TempRoot root;
    ASSERT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\Crash", ""), ERROR_SUCCESS);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (int i = 0;; ++i)
            SetDefault(HKEY_LOCAL_MACHINE, ("Software\\Crash\\" + std::to_string(i)).c_str(),
                       std::to_string(i));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);

    HKEY crash = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Crash", &crash), ERROR_SUCCESS);
    char name[32];
    DWORD count = 0;
    for (; RegEnumKeyA(crash, count, name, sizeof name) == ERROR_SUCCESS; ++count) {
        const std::string text = Default(crash, name);
        // The key and its value are two writes: the kill may fall between them.
        EXPECT_TRUE(text == name || text.empty()) << name << " holds " << text;
    }
    RegCloseKey(crash);
    EXPECT_GT(count, 0u);
    EXPECT_EQ(SetDefault(HKEY_LOCAL_MACHINE, "Software\\Crash\\After", "fine"), ERROR_SUCCESS);
    EXPECT_EQ(Default(HKEY_LOCAL_MACHINE, "Software\\Crash\\After"), "fine");
}

} // namespace
