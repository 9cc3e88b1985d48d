// Files the system writes are written under their own names: a symbolic link
// put in a file's place is not written through, one that leads nowhere ends
// the open with an error, and what the system creates is writable by its
// owner alone whatever the umask. Only regular files are opened, for writing
// only the account's own or root's, and no open waits for a pipe's other end.
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
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

// What another account can put where the system writes, by kind.
enum class Planted { Pipe, Socket, OthersFile, Link };

bool Plant(Planted kind, const fs::path& path, const fs::path& linkTarget) {
    switch (kind) {
    case Planted::Pipe:
        return mkfifo(path.c_str(), 0666) == 0;
    case Planted::Socket: {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.string().size() >= sizeof address.sun_path)
            return false;
        path.string().copy(address.sun_path, sizeof address.sun_path - 1);
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        const bool bound =
            fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        return bound;
    }
    case Planted::OthersFile:
        qvutest::WriteFile(path, "theirs");
        return chown(path.c_str(), qvutest::kOtherAccount, qvutest::kOtherAccount) == 0 &&
               chmod(path.c_str(), 0666) == 0;
    case Planted::Link:
        fs::create_symlink(linkTarget, path);
        return true;
    }
    return false;
}

TEST_F(FilesLinksTest, OnlyRegularFilesOfItsOwnAreOpenedAndNoOpenWaits) {
    struct Open {
        DWORD access, disposition;
    };
    const Open writes[] = {{GENERIC_WRITE, OPEN_ALWAYS},
                           {GENERIC_WRITE, CREATE_ALWAYS},
                           {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING},
                           {FILE_APPEND_DATA, OPEN_ALWAYS}};
    const Open reads[] = {{GENERIC_READ, OPEN_EXISTING}, {GENERIC_READ, OPEN_ALWAYS}};
    struct Case {
        Planted kind;
        const char* name;
        bool readsRefused;
    };
    const Case cases[] = {{Planted::Pipe, "pipe.log", true},
                          {Planted::Socket, "socket.log", true},
                          {Planted::OthersFile, "others.log", false},
                          {Planted::Link, "link.log", false}};
    for (const Case& c : cases) {
        if (!Plant(c.kind, drive / "Update" / c.name, victim))
            GTEST_SKIP() << "cannot plant " << c.name << " (needs root)";
    }

    // In a child: an open that waits fails the test instead of stopping it.
    qvutest::ChildProcess opener([&](const qvutest::ChildProcess::Channel& channel) {
        char number = 'A';
        for (const Case& c : cases) {
            const std::string path = std::string("C:\\Update\\") + c.name;
            for (const Open& open : writes) {
                const HANDLE file = CreateFileA(path.c_str(), open.access, FILE_SHARE_READ, nullptr,
                                                open.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
                if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED)
                    return channel.Send(number);
                ++number;
            }
            for (const Open& open : reads) {
                const HANDLE file = CreateFileA(path.c_str(), open.access, FILE_SHARE_READ, nullptr,
                                                open.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
                if ((file == INVALID_HANDLE_VALUE) != c.readsRefused)
                    return channel.Send(number);
                CloseHandle(file);
                ++number;
            }
            if (CopyFileA(path.c_str(), "C:\\Update\\copy.log", FALSE) == c.readsRefused)
                return channel.Send(number);
            ++number;
            // The profile functions write by their own means; a link of root's
            // own they write through, as the link's owner chose.
            if (c.kind != Planted::Link && WritePrivateProfileStringA("S", "k", "v", path.c_str()))
                return channel.Send(number);
            ++number;
        }
        channel.Send('o');
    });
    EXPECT_EQ(opener.Talk().Receive(5000), 'o')
        << "0: an open waits; else the letter of the case, counted from A";

    const fs::path others = drive / "Update" / "others.log";
    EXPECT_EQ(qvutest::ReadFile(others), "theirs");
    EXPECT_EQ(fs::status(others).permissions(), fs::perms(0666));
    EXPECT_EQ(qvutest::ReadFile(victim), "[S]\r\nk=precious\r\n");
    EXPECT_TRUE(fs::is_fifo(drive / "Update" / "pipe.log"));
}

} // namespace
