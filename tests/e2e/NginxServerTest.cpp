// The update server as the README says to host it: nginx from the
// distribution with the configuration kept in the tree
// (docs/nginx/qvu-update-server.conf) serves the description file, the
// package from the second of its mirror addresses and the update manager's
// own program for its self-check, over HTTP and over HTTPS with a certificate
// trusted for the run only.
#include "tests/e2e/NginxServer.h"
#include "tests/e2e/UpdateMachine.h"

#include <chrono>

namespace {

namespace fs = std::filesystem;
using qvutest::ProgramRun;
using qvutest::ReadFile;

class NginxServerTest : public qvutest::UpdateMachineTest,
                        public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        if (qvutest::NginxServer::Program().empty())
            GTEST_SKIP() << "nginx is not installed (scripts/bootstrap.sh installs it)";
        UpdateMachineTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(authority.Made());
        nginx = std::make_unique<qvutest::NginxServer>(served, root.Folder() / "nginx", authority);
        ASSERT_TRUE(nginx->Started()) << nginx->ErrorLog();
        UseUpdateServer(nginx->Url(GetParam(), ""));
    }

    // An unattended run, the test's authority trusted.
    ProgramRun RunUnattended() {
        return RunUpdate({"/autostart"}, "",
                         {{"QVU_CA_FILE", authority.CertificateFile().string()}});
    }

    const qvutest::TestCertificate authority{root.Folder() / "authority"};
    std::unique_ptr<qvutest::NginxServer> nginx;
};

TEST_P(NginxServerTest, FullUpdateFromTheHostedConfiguration) {
    InstallOlvin5();
    // The first mirror does not hold the package (yet): nginx closes the
    // connection without an answer, and the second mirror serves it.
    const std::string package = qvutest::PackageBytes(300000);
    Serve("packages/Quorvane-5.1.msi", package);
    ServeDescription("VersionLong=5.1.0.0\r\nVersionShort=5.1\r\nFileName=Quorvane.msi\r\n"
                     "FileSize=300000\r\nMD5=" +
                     qvutest::Md5Text(package) +
                     "\r\nMSI1=" + Url("/packages/mirror-not-synced/Quorvane-5.1.msi") +
                     "\r\nMSI2=" + Url("/packages/Quorvane-5.1.msi") + "\r\n");

    const ProgramRun run = RunUnattended();
    ASSERT_FALSE(run.timedOut) << run.output;
    EXPECT_EQ(run.exitStatus, qvutest::kInstallerStarted) << run.output << run.errors;
    EXPECT_EQ(run.output.find("[QVUUpdate]"), std::string::npos) << "no message: " << run.output;
    EXPECT_EQ(InstallerRecord(), "[/i] [" + std::string(kUpdateFolder) + "Quorvane.msi] [/L*v] [" +
                                     kUpdateFolder + TodaysLogName() + "] [/qb+]\n");
    EXPECT_TRUE(ReadFile(OnDrive(kUpdateFolder) / "Quorvane.msi") == package);
    const std::string log = nginx->AccessLog();
    EXPECT_NE(log.find("\"GET /?File=ZoZuzaviz/QVUUpdate.exe HTTP/1.1\" 200 "), std::string::npos)
        << log;
    EXPECT_NE(log.find("\"GET /packages/mirror-not-synced/Quorvane-5.1.msi HTTP/1.1\" 444 0 "),
              std::string::npos)
        << log;

    // The self-check reads nginx's Last-Modified: a younger copy of the
    // program on the server is a newer update manager, and the run stops.
    fs::last_write_time(served / "ZoZuzaviz" / "QVUUpdate.exe",
                        fs::file_time_type::clock::now() + std::chrono::hours(1));
    const ProgramRun stopped = RunUnattended();
    ASSERT_FALSE(stopped.timedOut) << stopped.output;
    EXPECT_EQ(stopped.exitStatus, qvutest::kRefused) << stopped.output << stopped.errors;
    EXPECT_NE(stopped.output.find("[QVUUpdate] A newer version of the Quorvane Zelvo Update is "
                                  "available."),
              std::string::npos)
        << stopped.output;
}

INSTANTIATE_TEST_SUITE_P(Schemes, NginxServerTest, ::testing::Values("http", "https"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return info.param == "https" ? "Https" : "Http";
                         });

} // namespace
