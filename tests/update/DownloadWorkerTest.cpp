#include "platform/files.h"
#include "platform/handles.h"
#include "platform/strings.h"
#include "platform/sync.h"
#include "products/ProductCatalogue.h"
#include "tests/support/RetrievalTestSupport.h"
#include "update/Download.h"

namespace {

using qvutest::Command;
using qvutest::LocalServer;
using qvutest::ReadFile;

class DownloadWorkerTest : public qvutest::RetrievalTest {
protected:
    static constexpr const char* kDescription = "C:\\Quorvane\\Olvin5\\Update\\QVU.ini";
    static constexpr const char* kTarget = "C:\\Quorvane\\Olvin5\\Update\\Quorvane.msi";
    std::filesystem::path PackageOnDisk() const {
        return SettingsFolder() / "Update" / "Quorvane.msi";
    }

    // Writes the Olvin5 section of the stored description file.
    void Describe(const std::string& keys) const {
        qvutest::WriteFile(SettingsFolder() / "Update" / "QVU.ini",
                           "[QVU.ini]\r\nver=3.1\r\n[Olvin5]\r\n" + keys +
                               "[QVU.end]\r\nver=3.1\r\n");
    }

    // Runs the worker to its end and answers the commands it posted.
    std::vector<Command> Download(const char* target = kTarget) {
        const HANDLE thread = StartPackageDownload(window, Olvin5, kDescription, target);
        EXPECT_NE(thread, nullptr);
        std::vector<Command> commands = ReadCommands();
        EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
        CloseHandle(thread);
        return commands;
    }

    static WPARAM Final(const std::vector<Command>& commands) {
        return commands.empty() ? 0 : commands.back().id;
    }
};

TEST_F(DownloadWorkerTest, AddressYieldingNothingLeadsToTheNextOneAndAMatchingPackageIsReady) {
    const std::string bytes = qvutest::PackageBytes(20000);
    Serve("pkg.msi", bytes);
    Serve("empty.msi", "");
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    Describe("FileSize=20000\r\nMD5=" + qvutest::Md5Text(bytes) + "\r\nMSI1=" +
             qvutest::RefusedAddress("/pkg.msi") + "\r\nMSI2=" + server.Url("/empty.msi") +
             "\r\nMSI3=" + server.Url("/pkg.msi") + "\r\n");

    // The empty body of MSI2 reports its total 0 once.
    EXPECT_EQ(
        Download(),
        (std::vector<Command>{
            {1026, 20000}, {1027, 0}, {1027, 8192}, {1027, 16384}, {1027, 20000}, {1029, 0}}));
    EXPECT_EQ(ReadFile(PackageOnDisk()), bytes);
}

TEST_F(DownloadWorkerTest, PartialDownloadEndsTheSeriesAsAFailure) {
    Serve("pkg.msi", qvutest::PackageBytes(50000));
    LocalServer cutting(served, {"--cut-after", "10000"});
    LocalServer whole(served);
    ASSERT_TRUE(cutting.Started() && whole.Started());
    Describe("FileSize=50000\r\nMSI1=" + cutting.Url("/pkg.msi") +
             "\r\nMSI2=" + whole.Url("/pkg.msi") + "\r\n");

    EXPECT_EQ(Final(Download()), 1028u);
    // The whole package of MSI2 would have replaced the cut one.
    EXPECT_EQ(std::filesystem::file_size(PackageOnDisk()), 10000u);
}

TEST_F(DownloadWorkerTest, NoAddressAndNoSizeIsAFailedDownloadNotAnEmptyPackage) {
    Describe("");
    EXPECT_EQ(Download(), (std::vector<Command>{{1026, 0}, {1028, 0}}));
    EXPECT_FALSE(std::filesystem::exists(PackageOnDisk()));
}

TEST_F(DownloadWorkerTest, PackageFileHeldByAnotherOpenEndsAsBusy) {
    Serve("pkg.msi", "package");
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    Describe("FileSize=7\r\nMSI1=" + server.Url("/pkg.msi") + "\r\n");
    qvutest::WriteFile(PackageOnDisk(), "old");
    const HANDLE held = CreateFileA(kTarget, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    EXPECT_EQ(Download(), (std::vector<Command>{{1026, 7}, {1030, 0}}));
    CloseHandle(held);
}

TEST_F(DownloadWorkerTest, TooManyBytesIsACorruptDownload) {
    Serve("pkg.msi", qvutest::PackageBytes(100000));
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    Describe("FileSize=10000\r\nMSI1=" + server.Url("/pkg.msi") + "\r\n");
    EXPECT_EQ(Final(Download()), 1028u);
    EXPECT_LE(std::filesystem::file_size(PackageOnDisk()), 10000u + 8192u);
}

TEST_F(DownloadWorkerTest, EveryPublishedDigestMustVouchForThePackage) {
    const std::string bytes = qvutest::PackageBytes(10000);
    Serve("pkg.msi", bytes);
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    const std::string md5 = "MD5=" + qvutest::Md5Text(bytes) + "\r\n";
    const std::string sha256 = qvutest::Sha256Text(bytes);
    enum Outcome { Ready, Refused, NotFetched };
    const struct {
        std::string digests;
        Outcome outcome;
    } cases[] = {
        {"MD5=" + ascii::ToUpper(qvutest::Md5Text(bytes)) + "\r\n", Ready},
        {md5 + "SHA256=" + sha256 + "\r\n", Ready},
        {md5 + "SHA256= \"" + ascii::ToUpper(sha256) + "\" \r\n", Ready},
        {"SHA256=" + sha256 + "\r\n", Ready},
        {"MD5=" + qvutest::Md5Text("other") + "\r\nSHA256=" + sha256 + "\r\n", Refused},
        {md5 + "SHA256=" + qvutest::Sha256Text("other") + "\r\n", Refused},
        {md5 + "SHA256=" + sha256.substr(1) + "\r\n", NotFetched},
        {md5 + "SHA256=" + sha256 + "0\r\n", NotFetched},
        {md5 + "SHA256=" + sha256.substr(1) + "x\r\n", NotFetched},
        {md5 + "SHA256=\r\n", NotFetched},
        {md5 + "SHA256=  \r\n", NotFetched},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.digests);
        qvutest::WriteFile(PackageOnDisk(), "kept");
        Describe("FileSize=10000\r\n" + test.digests + "MSI1=" + server.Url("/pkg.msi") + "\r\n");
        const std::vector<Command> commands = Download();
        if (test.outcome == NotFetched) {
            EXPECT_EQ(commands, (std::vector<Command>{{1026, 10000}, {1028, 0}}));
            EXPECT_EQ(ReadFile(PackageOnDisk()), "kept");
            continue;
        }
        EXPECT_EQ(Final(commands), test.outcome == Ready ? 1029u : 1028u);
        // A refused package stays for the next check, which refuses it again.
        EXPECT_EQ(ReadFile(PackageOnDisk()), bytes);
    }
}

TEST_F(DownloadWorkerTest, FileNameLeadingOutOfTheUpdateFolderIsRefusedWithoutWriting) {
    Serve("pkg.msi", "package");
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    Describe("FileSize=7\r\nMSI1=" + server.Url("/pkg.msi") + "\r\n");

    for (const char* name : {"..\\..\\Escaped.msi", "C:Escaped.msi", "sub/Escaped.msi", ".."})
        EXPECT_FALSE(PackageTargetPath("C:\\Quorvane\\Olvin5\\", name)) << name;
    EXPECT_EQ(PackageTargetPath("C:\\Quorvane\\Olvin5\\", "Olvin 5.1.msi"),
              "C:\\Quorvane\\Olvin5\\Update\\Olvin 5.1.msi");

    for (const char* target : {"C:\\Quorvane\\Olvin5\\Update\\..\\..\\Escaped.msi",
                               "C:\\Quorvane\\Olvin5\\Escaped.msi", "C:\\Escaped.msi"}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(Download(target), (std::vector<Command>{{1026, 7}, {1028, 0}}));
    }
    EXPECT_FALSE(std::filesystem::exists(driveC / "Escaped.msi"));
    EXPECT_FALSE(std::filesystem::exists(SettingsFolder() / "Escaped.msi"));
}

TEST_F(DownloadWorkerTest, ClosedDialogStopsTheDownloadAtTheNextBlockWithoutFinalCommand) {
    Serve("pkg.msi", qvutest::PackageBytes(32 << 20));
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    Describe("FileSize=33554432\r\nMSI1=" + server.Url("/pkg.msi") + "\r\n");

    const HANDLE thread = StartPackageDownload(window, Olvin5, kDescription, kTarget);
    ASSERT_NE(thread, nullptr);
    MSG message{};
    ASSERT_TRUE(platform::GetWindowMessage(window, &message, 5000));
    EXPECT_EQ(message.wParam, 1026u);
    ASSERT_TRUE(platform::GetWindowMessage(window, &message, 5000));
    EXPECT_EQ(message.wParam, 1027u);
    DestroyWindow(window);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);

    const auto kept = std::filesystem::file_size(PackageOnDisk());
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, 32u << 20);
}

TEST_F(DownloadWorkerTest, FullDiskIsAFailedDownload) {
    const qvutest::FullDisk disk(SettingsFolder() / "Update", "64k");
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs is not permitted here";
    Serve("pkg.msi", qvutest::PackageBytes(300000));
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    Describe("FileSize=300000\r\nMSI1=" + server.Url("/pkg.msi") +
             "\r\nMSI2=" + server.Url("/pkg.msi") + "\r\n");

    const std::vector<Command> commands = Download();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), (Command{1028, ERROR_DISK_FULL}));
    EXPECT_FALSE(std::filesystem::exists(PackageOnDisk()))
        << "the partial package keeps the disk full";
}

} // namespace
