#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "tests/support/ForkedChild.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr const char* kFile = "C:\\Update\\Quorvane.msi";

class ShareModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        drive = root.MapDrive('C');
        qvutest::WriteFile(drive / "Update" / "Quorvane.msi", "package");
    }

    static HANDLE Open(DWORD access, DWORD share, DWORD disposition = OPEN_EXISTING) {
        return CreateFileA(kFile, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    }

    // Whether a second open is admitted beside a first one; both are closed.
    static bool Coexist(DWORD firstAccess, DWORD firstShare, DWORD secondAccess,
                        DWORD secondShare) {
        HANDLE first = Open(firstAccess, firstShare);
        EXPECT_NE(first, INVALID_HANDLE_VALUE);
        HANDLE second = Open(secondAccess, secondShare);
        const DWORD error = GetLastError();
        CloseHandle(first);
        if (second == INVALID_HANDLE_VALUE) {
            EXPECT_EQ(error, ERROR_SHARING_VIOLATION);
            return false;
        }
        CloseHandle(second);
        return true;
    }

    qvutest::TempRoot root;
    fs::path drive;
};

TEST_F(ShareModeTest, OpensInOneProcessFollowTheShareModes) {
    struct Case {
        DWORD firstAccess, firstShare, secondAccess, secondShare;
        bool admitted;
    };
    const Case cases[] = {
        {GENERIC_WRITE, 0, GENERIC_READ, kShareAll, false}, // exclusive keeps everyone out
        {GENERIC_READ, 0, GENERIC_READ, kShareAll, false},
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, true}, // readers coexist
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, kShareAll, false},     // writer denied
        {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, GENERIC_WRITE, FILE_SHARE_READ, true},
        // The newcomer must share what the existing open uses.
        {GENERIC_WRITE, kShareAll, GENERIC_READ, FILE_SHARE_READ, false},
        {kReadWrite, FILE_SHARE_READ | FILE_SHARE_WRITE, kReadWrite,
         FILE_SHARE_READ | FILE_SHARE_WRITE, true},
        {GENERIC_READ, FILE_SHARE_READ, DELETE, kShareAll, false},
        {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, DELETE, kShareAll, true},
        {0, 0, kReadWrite, kShareAll, true}, // an open without access uses nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.firstAccess << "/" << c.firstShare
                                          << " then " << c.secondAccess << "/" << c.secondShare);
        EXPECT_EQ(Coexist(c.firstAccess, c.firstShare, c.secondAccess, c.secondShare), c.admitted);
    }
}

TEST_F(ShareModeTest, RefusedOpenLeavesTheFileAsItWas) {
    HANDLE reader = Open(GENERIC_READ, FILE_SHARE_READ);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(GENERIC_WRITE, kShareAll, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(qvutest::ReadFile(drive / "Update" / "Quorvane.msi"), "package");

    EXPECT_FALSE(DeleteFileA(kFile));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(CopyFileA(kFile, "C:\\Update\\Copy.msi", FALSE)) << "the reader shares reading";
    qvutest::WriteFile(drive / "Update" / "Other.msi", "other");
    EXPECT_FALSE(CopyFileA("C:\\Update\\Other.msi", kFile, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(MoveFileExA(kFile, "C:\\Update\\Moved.msi", 0));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(qvutest::ReadFile(drive / "Update" / "Quorvane.msi"), "package");

    CloseHandle(reader);
    HANDLE writer = Open(GENERIC_WRITE, 0, CREATE_ALWAYS);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE) << "admitted once the reader is gone";
    CloseHandle(writer);
    EXPECT_TRUE(DeleteFileA(kFile));
}

TEST_F(ShareModeTest, LockFilesGoWithTheirLastOpen) {
    HANDLE first = Open(GENERIC_READ, FILE_SHARE_READ);
    HANDLE second = Open(GENERIC_READ, FILE_SHARE_READ);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(GENERIC_WRITE, kShareAll), INVALID_HANDLE_VALUE);
    CloseHandle(first);
    CloseHandle(second);
    const fs::path locks = root.Root() / "locks";
    if (fs::exists(locks)) {
        for (const auto& entry : fs::recursive_directory_iterator(locks))
            EXPECT_TRUE(entry.is_directory()) << "left behind: " << entry.path();
    }
}

// A child process opens the package exclusively, as a second update manager
// writing it would.
class HolderProcess {
public:
    HolderProcess()
        : child([](const qvutest::ChildProcess::Channel& channel) {
              HANDLE held = CreateFileA(kFile, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
              channel.Send(held == INVALID_HANDLE_VALUE ? 'f' : 'o');
              channel.Receive();
          }) {}
    qvutest::ChildProcess child;
};

TEST_F(ShareModeTest, OpenHeldByAnotherProcessIsASharingViolation) {
    HolderProcess holder;
    ASSERT_TRUE(holder.child.Started());
    ASSERT_EQ(holder.child.Talk().Receive(), 'o');
    EXPECT_EQ(Open(GENERIC_READ, kShareAll), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);

    holder.child.Finish();
    HANDLE file = Open(GENERIC_WRITE, 0);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

TEST_F(ShareModeTest, CrashedHolderKeepsNobodyOut) {
    HolderProcess holder;
    ASSERT_EQ(holder.child.Talk().Receive(), 'o');
    EXPECT_EQ(Open(GENERIC_WRITE, kShareAll), INVALID_HANDLE_VALUE);

    holder.child.Kill();
    HANDLE file = Open(GENERIC_WRITE, 0);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

} // namespace
