// Files the system writes are written under their own names: a symbolic link
// put in a file's place is not written through, one that leads nowhere ends
// the open with an error, and what the system creates is writable by its
// owner alone whatever the umask.
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/profile.h"
#include "tests/support/ForkedChild.h"
#include "tests/support/OtherAccount.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kPlanted = "C:\\Update\\QVU.ini";

class FilesLinksTest : public ::testing::Test {
protected:
    void SetUp() override {
        drive = root.MapDrive('C');
        victim = root.Folder() / "victim.ini";
        qvutest::WriteFile(victim, "[S]\r\nk=precious\r\n");
        fs::create_directories(drive / "Update");
        fs::create_symlink(victim, drive / "Update" / "QVU.ini");
    }

    qvutest::TempRoot root;
    fs::path drive, victim;
};

HANDLE OpenPlanted(DWORD access, DWORD disposition) {
    return CreateFileA(kPlanted, access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST_F(FilesLinksTest, WritesDoNotGoThroughALinkInTheFilesPlace) {
    const DWORD dispositions[] = {CREATE_ALWAYS, OPEN_ALWAYS, OPEN_EXISTING, TRUNCATE_EXISTING};
    for (const DWORD disposition : dispositions) {
        SCOPED_TRACE(disposition);
        EXPECT_EQ(OpenPlanted(GENERIC_READ | GENERIC_WRITE, disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    for (const char* mode : {"w", "a+", "r+"}) {
        SCOPED_TRACE(mode);
        EXPECT_EQ(_fsopen(kPlanted, mode, _SH_DENYNO), nullptr);
        EXPECT_EQ(errno, EACCES);
    }
    // Another account's link is no way into the profile functions either.
    if (lchown((drive / "Update" / "QVU.ini").c_str(), qvutest::kOtherAccount,
               qvutest::kOtherAccount) == 0) {
        EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "overwritten", kPlanted));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }

    EXPECT_EQ(qvutest::ReadFile(victim), "[S]\r\nk=precious\r\n");
    EXPECT_TRUE(fs::is_symlink(drive / "Update" / "QVU.ini"));
    // Reading follows the link, as it always has.
    HANDLE reader = OpenPlanted(GENERIC_READ, OPEN_EXISTING);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);
}

TEST_F(FilesLinksTest, LinkThatLeadsNowhereEndsTheOpenWithAnError) {
    fs::remove(victim);
    struct Case {
        DWORD access, disposition, error;
    };
    const Case cases[] = {{GENERIC_WRITE, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
                          {GENERIC_WRITE, OPEN_ALWAYS, ERROR_ACCESS_DENIED},
                          {GENERIC_READ, OPEN_ALWAYS, ERROR_FILE_NOT_FOUND}};
    // In a child: an open that never ends fails the test instead of stopping it.
    qvutest::ChildProcess opener([&](const qvutest::ChildProcess::Channel& channel) {
        for (const Case& c : cases) {
            const HANDLE file = OpenPlanted(c.access, c.disposition);
            const DWORD error = GetLastError();
            if (file != INVALID_HANDLE_VALUE || error != c.error) {
                channel.Send(static_cast<char>('1' + (&c - cases)));
                return;
            }
        }
        channel.Send('o');
    });
    EXPECT_EQ(opener.Talk().Receive(5000), 'o') << "0: no end; else the number of the case";
    EXPECT_FALSE(fs::exists(victim)) << "the link's target was created";
}

TEST_F(FilesLinksTest, WhatTheSystemCreatesIsWritableByItsOwnerAlone) {
    const mode_t previous = umask(0);
    const BOOL folder = CreateDirectoryA("C:\\Update\\Logs", nullptr);
    const HANDLE file = CreateFileA("C:\\Update\\Logs\\Quorvane.msi", GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(file);
    const BOOL profile = WritePrivateProfileStringA("S", "k", "v", "C:\\Update\\Logs\\New.ini");
    umask(previous);
    ASSERT_TRUE(folder && file != INVALID_HANDLE_VALUE && profile);

    const fs::perms othersWrite = fs::perms::group_write | fs::perms::others_write;
    for (const char* name : {"", "Quorvane.msi", "New.ini"}) {
        SCOPED_TRACE(name);
        const fs::perms mode = fs::status(drive / "Update" / "Logs" / name).permissions();
        EXPECT_EQ(mode & othersWrite, fs::perms::none);
        EXPECT_NE(mode & fs::perms::owner_write, fs::perms::none);
    }
}

} // namespace
