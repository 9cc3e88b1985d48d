// Update runs against servers and machines that work against the update:
// https answers that lead on over plain http, an update server reached only
// over TLS, a description that names the run's own files as the package or
// is far too long or holds terminal controls, and a package that does not fit
// on the disk.
#include "tests/e2e/UpdateMachine.h"
#include "tests/support/FullDisk.h"
#include "tests/support/TestCertificate.h"

#include <csignal>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;
using qvutest::kDownloadFailed;
using qvutest::kNotFound;
using qvutest::LocalServer;
using qvutest::ProgramRun;
using qvutest::ReadFile;

class HostileServerTest : public qvutest::UpdateMachineTest {
protected:
    void SetUp() override {
        UpdateMachineTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(authority.Made());
    }

    // A server of the served folder over https, misbehaving as options say.
    std::unique_ptr<LocalServer> Secure(std::vector<std::string> options = {}) const {
        const std::vector<std::string> tls = authority.ServerArguments();
        options.insert(options.begin(), tls.begin(), tls.end());
        auto secure = std::make_unique<LocalServer>(served, options);
        EXPECT_TRUE(secure->Started()) << secure->FirstLine();
        return secure;
    }

    // An unattended run with updateServer as the update server, the test's
    // authority trusted.
    ProgramRun RunAgainst(const LocalServer& updateServer) {
        return RunUpdate({"/autostart"}, "",
                         {{"QVU_UPDATE_SERVER", updateServer.Url("")},
                          {"QVU_CA_FILE", authority.CertificateFile().string()}});
    }

    // The run ended after the failure, without the installer.
    void ExpectRefused(const ProgramRun& run, const std::string& message) {
        ASSERT_FALSE(run.timedOut) << run.output;
        EXPECT_EQ(run.exitStatus, qvutest::kRefused) << run.output << run.errors;
        EXPECT_NE(run.output.find(message), std::string::npos) << run.output;
        EXPECT_EQ(InstallerRecord(300), "");
    }

    fs::path Package() const { return OnDrive(kUpdateFolder) / "Quorvane.msi"; }

    const qvutest::TestCertificate authority{root.Folder() / "authority"};
};

TEST_F(HostileServerTest, UpdateServerAddressedOverHttpsIsCheckedAndUpdatesOverTls) {
    InstallOlvin5();
    const auto secure = Secure();
    const std::string package = ServePackage(100000, secure->Url("/packages/Quorvane.msi"));

    const ProgramRun run = RunAgainst(*secure);
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitStatus, qvutest::kInstallerStarted) << run.output << run.errors;
    EXPECT_EQ(run.output.find("[QVUUpdate]"), std::string::npos) << "no message: " << run.output;
    EXPECT_NE(InstallerRecord(), "");
    EXPECT_TRUE(ReadFile(Package()) == package);
}

TEST_F(HostileServerTest, DescriptionRedirectedFromHttpsToHttpIsNotFound) {
    InstallOlvin5();
    ServePackage(1000);
    // Over plain http anyone on the way could answer with a description of
    // their own, and its digest vouches for the package.
    const auto secure = Secure({"--redirect", Url(""), "--only", "/QVU.ini"});

    const ProgramRun run = RunAgainst(*secure);
    ExpectRefused(run, kNotFound);
    EXPECT_EQ(run.output.find("Type start"), std::string::npos) << run.output;
}

TEST_F(HostileServerTest, PackageRedirectedFromHttpsToHttpIsNotDownloaded) {
    InstallOlvin5();
    const auto secure = Secure();
    const auto redirecting = Secure({"--redirect", Url(""), "--only", "/packages/Quorvane.msi"});
    ServePackage(30000, redirecting->Url("/packages/Quorvane.msi"));

    ExpectRefused(RunAgainst(*secure), kDownloadFailed);
    EXPECT_FALSE(fs::exists(Package()));
}

TEST_F(HostileServerTest, FileNameOfTheDescriptionOrOfALogIsRefused) {
    InstallOlvin5();
    const std::string stale = "an older package that was never checked";
    for (const std::string& name :
         {std::string("QVU.ini"), "qvuupdate(" + TodaysLogName().substr(10)}) {
        SCOPED_TRACE(name);
        const std::string bytes = qvutest::PackageBytes(20000);
        Serve("packages/" + name, bytes);
        ServeDescription("VersionLong=5.1.0.0\r\nFileName=" + name + "\r\nFileSize=20000\r\nMD5=" +
                         qvutest::Md5Text(bytes) + "\r\nMSI1=" + Url("/packages/" + name) + "\r\n");
        qvutest::WriteFile(Package(), stale);

        ExpectRefused(RunUpdate({"/autostart"}, ""), kDownloadFailed);
        // The description stayed what the server sent, no log holds package
        // bytes, and the stale default package was not handed on.
        EXPECT_EQ(ReadFile(OnDrive(kUpdateFolder) / "QVU.ini"), ReadFile(served / "QVU.ini"));
        EXPECT_FALSE(fs::exists(OnDrive(kUpdateFolder) / TodaysLogName()));
        EXPECT_EQ(ReadFile(Package()), stale);
    }
}

TEST_F(HostileServerTest, DescriptionFollowedByMegabytesOfCommentsIsNotFoundNorKept) {
    InstallOlvin5();
    ServePackage(1000);
    std::string description = ReadFile(served / "QVU.ini");
    while (description.size() < (4u << 20))
        description += "; a comment line of a description that never ends\r\n";
    Serve("QVU.ini", description);

    ExpectRefused(RunUpdate({"/autostart"}, ""), kNotFound);
    EXPECT_LE(fs::file_size(OnDrive(kUpdateFolder) / "QVU.ini"), (1u << 20) + 8192u);
}

TEST_F(HostileServerTest, PackageThatDoesNotFitOnTheDiskIsRemovedAndTheFullDiskNamed) {
    InstallOlvin5();
    const qvutest::FullDisk disk(OnDrive(kUpdateFolder), "64k");
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs is not permitted here";
    ServePackage(300000);

    const ProgramRun run = RunUpdate({"/autostart"}, "");
    ExpectRefused(run, kDownloadFailed);
    EXPECT_NE(run.errors.find("QVUUpdate: The disk is full: the update file does not fit into " +
                              std::string(kUpdateFolder) + " and was removed.\n"),
              std::string::npos)
        << run.errors;
    EXPECT_FALSE(fs::exists(Package()));
}

// Terminal controls in a value of the description: a new window title, a
// clipboard write, a cleared screen, the C1 CSI as UTF-8 and as one byte, a
// line overwritten after a carriage return, backspace and delete.
const std::string kHostile = "\x1b]0;owned\x07\x1b]52;c;cm0gLXJmIC8K\x07\x1b[2J\xc2\x9b"
                             "2J\x9b"
                             "1A\rFAKE\b\x7f";
// The same as the console and the logs show it.
const std::string kHostileShown = "\\x1b]0;owned\\x07\\x1b]52;c;cm0gLXJmIC8K\\x07\\x1b[2J\\xc2\\x9b"
                                  "2J\\x9b1A\\x0dFAKE\\x08\\x7f";

// Whether text holds a byte of kHostile that a terminal obeys.
bool HoldsTerminalControls(const std::string& text) {
    return text.find_first_of("\x1b\x07\x08\x7f\x9b") != std::string::npos ||
           text.find("\rFAKE") != std::string::npos;
}

TEST_F(HostileServerTest, TerminalControlsOfTheServerReachNeitherTheConsoleNorTheLogs) {
    InstallOlvin5();
    const std::string package = qvutest::PackageBytes(20000);
    Serve("packages/Quorvane.msi", package);
    ServeDescription("VersionLong=5.1.0.1" + kHostile + "\r\nFileName=Quorvane.msi\r\n" +
                     "FileSize=20000\r\nMD5=" + qvutest::Md5Text(package) +
                     "\r\nMSI1=" + Url("/packages/Quorvane.msi") + "\r\n");
    const ProgramRun installed = RunUpdate({"/autostart"}, "");
    ASSERT_FALSE(installed.timedOut) << installed.output;
    EXPECT_EQ(installed.exitStatus, qvutest::kInstallerStarted) << installed.output;
    EXPECT_NE(installed.output.find("5.1.0.1" + kHostileShown), std::string::npos)
        << installed.output;
    const std::string updateLog = ReadFile(OnDrive(kUpdateFolder) / TodaysLogName());
    EXPECT_NE(updateLog.find("Update Version : 5.1.0.1" + kHostileShown + "\r\n"),
              std::string::npos)
        << updateLog;

    ASSERT_NE(InstallerRecord(), "");

    // The description's format version is quoted by the error message.
    fs::remove(installerRecord);
    ServeDescription("VersionLong=5.1.0.0\r\n", "3.1" + kHostile);
    const ProgramRun refused = RunUpdate({"/autostart"}, "");
    ExpectRefused(refused, "update file 3.1" + kHostileShown + ".\n");

    for (const std::string& text : {installed.output, installed.errors, refused.output,
                                    refused.errors, updateLog, TraceLogText()})
        EXPECT_FALSE(HoldsTerminalControls(text)) << text;
    EXPECT_NE(TraceLogText().find("update file 3.1" + kHostileShown + ". The latest"),
              std::string::npos)
        << TraceLogText();
}

// A file-size limit for the programs this process starts, which start with
// the signal's default action, as from a shell: the limit must fail the
// program's write instead of ending it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &before_);
        rlimit limited = before_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
        signalBefore_ = std::signal(SIGXFSZ, SIG_DFL);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, signalBefore_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit before_{};
    void (*signalBefore_)(int) = SIG_DFL;
};

TEST_F(HostileServerTest, PackageBeyondTheFileSizeLimitFailsTheDownloadInsteadOfTheProgram) {
    InstallOlvin5();
    ServePackage(1000000);

    ProgramRun run;
    {
        const FileSizeLimit limit(200000);
        run = RunUpdate({"/autostart"}, "");
    }
    EXPECT_EQ(run.signal, 0) << "ended by a signal";
    ExpectRefused(run, kDownloadFailed);
    EXPECT_NE(run.errors.find("QVUUpdate: The disk is full"), std::string::npos) << run.errors;
    EXPECT_FALSE(fs::exists(Package()));
}

} // namespace
