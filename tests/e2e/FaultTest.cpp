// Update runs that meet a fault halfway: a server that stalls, trickles,
// sends more than the package or garbage instead of the description, and an
// update manager killed in the middle of its download. Whatever happens, the
// run ends in bounded time and the installer never gets a package other than
// the one the description vouches for.
#include "tests/e2e/UpdateMachine.h"

#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qvutest::kDownloadFailed;
using qvutest::kNotFound;
using qvutest::ProgramRun;
using qvutest::ReadFile;

class FaultTest : public qvutest::UpdateMachineTest {
protected:
    void SetUp() override {
        UpdateMachineTest::SetUp();
        if (!IsSkipped())
            InstallOlvin5();
    }

    fs::path Package() const { return OnDrive(kUpdateFolder) / "Quorvane.msi"; }

    // The names of the files in the update folder.
    std::vector<std::string> UpdateFolderFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(OnDrive(kUpdateFolder)))
            names.push_back(entry.path().filename().string());
        return names;
    }

    std::uintmax_t PackageSize() const {
        std::error_code error;
        const std::uintmax_t size = fs::file_size(Package(), error);
        return error ? 0 : size;
    }
};

// One fault of the server, how the run reports it and what it leaves behind.
struct ServerFault {
    const char* name;
    // Sets the served files up; answers a misbehaving server of its own, if any.
    std::function<std::unique_ptr<qvutest::LocalServer>()> arrange;
    // That server is the update server; else it serves only the package.
    bool updateServer;
    const char* message;
    // The package file left in the update folder at most (-1: no file at
    // all but the description's).
    long long packageLeftAtMost;
};

TEST_F(FaultTest, ServerFaultsEndTheRunInBoundedTimeWithoutTheInstaller) {
    const ServerFault faults[] = {
        // Nothing more after the first bytes: the receive time-out (1.5 s here)
        // ends the download, not the test's time limit.
        {"stalled package",
         [this] {
             return ServePackageBadly(100000, {"--stall-after", "20000"});
         },
         false, kDownloadFailed, 20000},
        // The description a byte a second: the check cannot be cancelled,
        // so the receive time-out (1.5 s here) bounds the whole answer.
        {"trickling description",
         [this] {
             ServePackage(50000);
             auto trickling = std::make_unique<qvutest::LocalServer>(
                 served, std::vector<std::string>{"--trickle-after", "5", "--only", "/QVU.ini"});
             EXPECT_TRUE(trickling->Started()) << trickling->FirstLine();
             return trickling;
         },
         true, kNotFound, -1},
        // The package, then more: the download stops within a block after
        // the published size and is no package.
        {"package longer than its FileSize",
         [this]() -> std::unique_ptr<qvutest::LocalServer> {
             const std::string package = ServePackage(50000);
             Serve("packages/Quorvane.msi", package + qvutest::PackageBytes(500000));
             return nullptr;
         },
         false, kDownloadFailed, 50000 + 8192},
        {"binary garbage as the description",
         [this]() -> std::unique_ptr<qvutest::LocalServer> {
             ServePackage(50000);
             Serve("QVU.ini", qvutest::PackageBytes(65536));
             return nullptr;
         },
         false, kNotFound, -1},
        // The description's frame with garbage for the package's name, size
        // and address: nothing is fetched, nothing is written.
        {"description of garbage values",
         [this]() -> std::unique_ptr<qvutest::LocalServer> {
             ServePackage(50000);
             ServeDescription(std::string("VersionLong=5.1.0.0\r\nFileName=\x01\xff\r\n") +
                              "FileSize=-1\r\nMSI1=\x7f\x02://\r\n");
             return nullptr;
         },
         false, kDownloadFailed, -1},
        // The right package, but a digest of garbage vouches for nothing.
        {"digest of garbage",
         [this]() -> std::unique_ptr<qvutest::LocalServer> {
             ServePackage(50000);
             std::string description = ReadFile(served / "QVU.ini");
             const std::size_t digest = description.find("MD5=") + 4;
             description.replace(digest, 32, std::string(32, '\xfe'));
             Serve("QVU.ini", description);
             return nullptr;
         },
         false, kDownloadFailed, 50000},
    };
    for (const ServerFault& fault : faults) {
        SCOPED_TRACE(fault.name);
        fs::remove_all(OnDrive(kUpdateFolder));
        const auto faultyServer = fault.arrange();

        std::map<std::string, std::string> environment{{"QVU_HTTP_RECEIVE_TIMEOUT_MS", "1500"}};
        if (fault.updateServer)
            environment["QVU_UPDATE_SERVER"] = faultyServer->Url("");
        const ProgramRun run = RunUpdate({"/autostart"}, "", environment);
        ASSERT_FALSE(run.timedOut) << run.output;
        EXPECT_LT(run.seconds, 10.0);
        EXPECT_EQ(run.signal, 0);
        EXPECT_EQ(run.exitStatus, qvutest::kRefused) << run.output << run.errors;
        EXPECT_NE(run.output.find(fault.message), std::string::npos) << run.output;
        EXPECT_EQ(InstallerRecord(300), "");
        if (fault.packageLeftAtMost < 0)
            EXPECT_EQ(UpdateFolderFiles(), std::vector<std::string>{"QVU.ini"});
        else
            EXPECT_LE(PackageSize(), static_cast<std::uintmax_t>(fault.packageLeftAtMost));
    }
}

TEST_F(FaultTest, TricklingPackageKeepsTheDownloadAliveUntilTheUserCancelsItAtOnce) {
    const auto trickling = ServePackageBadly(100000, {"--trickle-after", "40000"});
    const auto run = StartUpdate({"/autostart"}, "", {{"QVU_HTTP_RECEIVE_TIMEOUT_MS", "1500"}});
    ASSERT_TRUE(qvutest::WaitUntil(
        [&] { return run->OutputSoFar().find("Download: ") != std::string::npos; }, 10000))
        << run->OutputSoFar();
    // Longer than the receive time-out: a byte a second keeps the download
    // going, and only the user can end it.
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    ASSERT_TRUE(run->Running()) << run->OutputSoFar();
    EXPECT_EQ(run->OutputSoFar().find("[QVUUpdate]"), std::string::npos) << run->OutputSoFar();

    const auto cancelled = std::chrono::steady_clock::now();
    run->Type("cancel\nyes\n");
    const ProgramRun ended = run->Wait();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - cancelled;
    EXPECT_LT(took.count(), 2.0) << "the trickle held the run up";
    ASSERT_FALSE(ended.timedOut) << ended.output;
    EXPECT_EQ(ended.signal, 0) << ended.errors;
    EXPECT_EQ(ended.exitStatus, qvutest::kEndedByUser) << ended.output << ended.errors;
    EXPECT_NE(ended.output.find("[QVUUpdate] You are about to interrupt the Quorvane download."),
              std::string::npos)
        << ended.output;
    EXPECT_EQ(InstallerRecord(300), "");
    EXPECT_LT(PackageSize(), 100000u);
}

TEST_F(FaultTest, PackageOfARunKilledMidDownloadIsNeverHandedToTheInstaller) {
    constexpr std::size_t kSize = 1 << 20;
    // The partial file as the kill left it, and padded to the published size
    // (what a crash of the whole machine may leave: the size, not the bytes).
    for (const bool padded : {false, true}) {
        SCOPED_TRACE(padded ? "padded to its size" : "as left");
        fs::remove(Package());
        fs::remove(installerRecord);
        {
            const auto slow = ServePackageBadly(kSize, {"--rate", "524288"});
            const auto run = StartUpdate({"/autostart"}, "");
            ASSERT_TRUE(qvutest::WaitUntil([&] { return PackageSize() >= 100000; }, 10000))
                << run->OutputSoFar();
            run->Kill(SIGKILL);
            const ProgramRun killed = run->Wait();
            EXPECT_EQ(killed.signal, SIGKILL);
        }
        ASSERT_LT(PackageSize(), kSize) << "the download was not cut short";
        EXPECT_EQ(InstallerRecord(300), "");
        if (padded)
            fs::resize_file(Package(), kSize);

        // The next run, whose server works: were the kept file offered, "no"
        // would install it without a download.
        const std::string package = ServePackage(kSize);
        const ProgramRun next = RunUpdate({"/autostart"}, "no\n");
        ASSERT_FALSE(next.timedOut) << next.output;
        EXPECT_EQ(next.exitStatus, qvutest::kInstallerStarted) << next.output << next.errors;
        EXPECT_EQ(next.output.find("has already been downloaded"), std::string::npos)
            << next.output;
        EXPECT_NE(next.output.find("Download: 100.0%"), std::string::npos) << next.output;
        EXPECT_NE(InstallerRecord().find("[/i] [" + std::string(kUpdateFolder) + "Quorvane.msi]"),
                  std::string::npos);
        // The file the installer was given is the package the server published.
        EXPECT_TRUE(ReadFile(Package()) == package) << PackageSize() << " bytes";
    }
}

} // namespace
