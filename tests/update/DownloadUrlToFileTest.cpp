#include "platform/files.h"
#include "platform/handles.h"
#include "tests/support/RetrievalTestSupport.h"
#include "update/Download.h"

#include <chrono>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

using qvutest::Command;
using qvutest::LocalServer;
using qvutest::ReadFile;

class DownloadUrlToFileTest : public qvutest::RetrievalTest {
protected:
    static constexpr const char* kTarget = "C:\\Quorvane\\Olvin5\\Update\\New\\Quorvane.msi";
    std::filesystem::path TargetOnDisk() const {
        return SettingsFolder() / "Update" / "New" / "Quorvane.msi";
    }
};

TEST_F(DownloadUrlToFileTest, BodyOfOneFullBlockPostsItsTotalTwiceAndCreatesTheFolders) {
    const std::string bytes = qvutest::PackageBytes(8192);
    Serve("pkg.msi", bytes);
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();

    EXPECT_EQ(DownloadUrlToFile(server.Url("/pkg.msi").c_str(), kTarget, window, nullptr), 8192u);
    EXPECT_EQ(ReadFile(TargetOnDisk()), bytes);
    EXPECT_EQ(ReadCommands(100), (std::vector<Command>{{1027, 8192}, {1027, 8192}}));
}

TEST_F(DownloadUrlToFileTest, ProgressCountsEveryBlockAndAnErrorPageIsStoredLikeAnyBody) {
    const std::string bytes = qvutest::PackageBytes(20000);
    Serve("pkg.msi", bytes);
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();

    EXPECT_EQ(DownloadUrlToFile(server.Url("/pkg.msi").c_str(), kTarget, window, nullptr), 20000u);
    EXPECT_EQ(ReadCommands(100),
              (std::vector<Command>{{1027, 8192}, {1027, 16384}, {1027, 20000}}));

    const DWORD errorPage =
        DownloadUrlToFile(server.Url("/missing.msi").c_str(), kTarget, nullptr, nullptr);
    EXPECT_GT(errorPage, 0u);
    EXPECT_EQ(ReadFile(TargetOnDisk()).size(), errorPage);
}

TEST_F(DownloadUrlToFileTest, BodyWithAnUnreadableLengthIsStoredToTheConnectionsClose) {
    const std::string bytes = qvutest::PackageBytes(20000);
    Serve("pkg.msi", bytes);
    for (const char* length : {"abc", "-5"}) {
        SCOPED_TRACE(length);
        LocalServer server(served, {"--content-length", length});
        ASSERT_TRUE(server.Started()) << server.FirstLine();
        EXPECT_EQ(DownloadUrlToFile(server.Url("/pkg.msi").c_str(), kTarget, nullptr, nullptr),
                  20000u);
        EXPECT_TRUE(ReadFile(TargetOnDisk()) == bytes);
    }
}

TEST_F(DownloadUrlToFileTest, NoAnswerGivesNothingAndCreatesNoFile) {
    Serve("pkg.msi", "package");
    LocalServer closing(served, {"--close-in-header"});
    ASSERT_TRUE(closing.Started()) << closing.FirstLine();
    int cause = -1;

    for (const std::string& address :
         {qvutest::RefusedAddress("/pkg.msi"), closing.Url("/pkg.msi")}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(DownloadUrlToFile(address.c_str(), kTarget, window, &cause), 0u);
    }
    EXPECT_EQ(cause, -1);
    EXPECT_FALSE(std::filesystem::exists(TargetOnDisk()));
    EXPECT_TRUE(ReadCommands(50).empty());
}

TEST_F(DownloadUrlToFileTest, StalledOrCutBodyKeepsWhatCameWithinTheReceiveTimeOut) {
    Serve("pkg.msi", qvutest::PackageBytes(100000));
    for (const char* misbehaviour : {"--stall-after", "--cut-after"}) {
        SCOPED_TRACE(misbehaviour);
        LocalServer server(served, {misbehaviour, "30000"});
        ASSERT_TRUE(server.Started()) << server.FirstLine();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(DownloadUrlToFile(server.Url("/pkg.msi").c_str(), kTarget, nullptr, nullptr),
                  30000u);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
        EXPECT_EQ(ReadFile(TargetOnDisk()), qvutest::PackageBytes(30000));
    }
}

TEST_F(DownloadUrlToFileTest, FileHeldByAnotherOpenIsASharingViolation) {
    Serve("pkg.msi", "package");
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    qvutest::WriteFile(TargetOnDisk(), "held");
    const HANDLE held = CreateFileA(kTarget, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    int cause = 0;
    EXPECT_EQ(DownloadUrlToFile(server.Url("/pkg.msi").c_str(), kTarget, window, &cause), 0u);
    EXPECT_EQ(cause, kCauseSharingViolation);
    CloseHandle(held);
    EXPECT_EQ(ReadFile(TargetOnDisk()), "held");
}

TEST_F(DownloadUrlToFileTest, ByteLimitStopsWithinABlockAfterItAndDigestFollowsTheStream) {
    const std::string bytes = qvutest::PackageBytes(200000);
    Serve("pkg.msi", bytes);
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();

    BackgroundDigest limited({true, false});
    const DownloadResult cut = DownloadToFile(server.Url("/pkg.msi").c_str(), kTarget, nullptr,
                                              nullptr, {20000, &limited});
    EXPECT_FALSE(cut.WriteFailed());
    EXPECT_GT(cut.bytes, 20000u);
    EXPECT_LE(cut.bytes, 20000u + 8192u);
    EXPECT_EQ(ReadFile(TargetOnDisk()), bytes.substr(0, cut.bytes));

    BackgroundDigest whole({true, true});
    const DownloadResult full =
        DownloadToFile(server.Url("/pkg.msi").c_str(), kTarget, nullptr, nullptr, {200000, &whole});
    EXPECT_EQ(full.bytes, 200000u);
    PackageDigest reference({true, true});
    reference.Update(bytes.data(), bytes.size());
    const PackageDigests streamed = whole.Final();
    EXPECT_TRUE(streamed.md5 && streamed.sha256);
    EXPECT_EQ(streamed, reference.Final());
}

TEST_F(DownloadUrlToFileTest, FullDiskEndsTheDownloadAsAFailureAndRemovesThePartialFile) {
    const std::filesystem::path small = root.Folder() / "small";
    const qvutest::FullDisk disk(small, "64k");
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs is not permitted here";
    root.MapDrive('F', small);
    Serve("pkg.msi", qvutest::PackageBytes(300000));
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();

    const std::string address = server.Url("/pkg.msi");
    const DownloadResult result =
        DownloadToFile(address.c_str(), "F:\\Update\\Quorvane.msi", nullptr, nullptr, {});
    EXPECT_EQ(result.writeError, ERROR_DISK_FULL);
    EXPECT_LT(result.bytes, 300000u);
    EXPECT_FALSE(std::filesystem::exists(small / "Update" / "Quorvane.msi"));
    EXPECT_EQ(DownloadUrlToFile(address.c_str(), "F:\\Update\\Quorvane.msi", nullptr, nullptr), 0u);
}

TEST_F(DownloadUrlToFileTest, FileSizeLimitFailsTheWriteInsteadOfEndingTheProcess) {
    Serve("pkg.msi", qvutest::PackageBytes(300000));
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    const std::string address = server.Url("/pkg.msi");

    // A child of its own under "ulimit -f": the limit must not hold this process.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 100000;
        setrlimit(RLIMIT_FSIZE, &limit);
        const DownloadResult result =
            DownloadToFile(address.c_str(), kTarget, nullptr, nullptr, {});
        const bool removed = !std::filesystem::exists(TargetOnDisk());
        _exit(result.writeError == ERROR_DISK_FULL && removed ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "the write did not fail as a full disk, or the file stayed";
}

} // namespace
