// The update server as the README says to host it: nginx from the
// distribution with the configuration kept in the tree
// (docs/nginx/qvu-update-server.conf) serves the description file, the
// package from the second of its mirror addresses and the update manager's
// own program for its self-check, over HTTP and over HTTPS with a certificate
// trusted for the run only; and nothing else of the machine: no file through
// a symbolic link, no name starting with a dot.
#include "tests/e2e/NginxServer.h"
#include "platform/http_session.h"
#include "tests/e2e/UpdateMachine.h"
#include "tests/support/OtherAccount.h"
#include "tests/support/ScopedEnvironment.h"

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
        // The workers run as nobody, as on a server.
        qvutest::LetEveryonePass(served, root.Folder());
        nginx = std::make_unique<qvutest::NginxServer>(served, root.Folder() / "nginx", authority);
        ASSERT_TRUE(nginx->Started()) << nginx->ErrorLog();
        UseUpdateServer(nginx->Url(GetParam(), ""));
    }

    // An unattended run, the test's authority trusted.
    ProgramRun RunUnattended() {
        return RunUpdate({"/autostart"}, "",
                         {{"QVU_CA_FILE", authority.CertificateFile().string()}});
    }

    // The status of a GET of target straight from nginx; 0 when the
    // connection closed without an answer.
    DWORD StatusOf(const std::string& target) const {
        qvutest::ScopedEnvironment trusted;
        trusted.Set("QVU_CA_FILE", authority.CertificateFile().string());
        CInternetSession session("test");
        const auto connection = session.GetHttpConnection(
            "127.0.0.1", static_cast<INTERNET_PORT>(nginx->Port(GetParam())));
        const auto request =
            connection->OpenRequest("GET", target.c_str(), nullptr, 1, nullptr, nullptr,
                                    GetParam() == "https" ? INTERNET_FLAG_SECURE : 0);
        DWORD status = 0;
        try {
            request->SendRequest();
            request->QueryInfoStatusCode(status);
        } catch (const CInternetException&) {
        }
        return status;
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

TEST_P(NginxServerTest, NothingThroughSymbolicLinksNorNamesStartingWithADot) {
    const std::string secret = "not for the update server\n";
    const fs::path outside = root.Folder() / "outside";
    qvutest::WriteFile(outside / "secret.txt", secret);
    qvutest::LetEveryonePass(outside, root.Folder());
    Serve("QVU.ini", "[QVU.ini]\r\nver=3.1\r\n");
    Serve("QVU.ini.minisig", "untrusted comment: signature\n");
    Serve("packages/Quorvane.msi", "package");
    fs::create_directory_symlink("/", served / "rootfs");
    fs::create_directory_symlink("/", served / "ZoZuzaviz" / "rootfs");
    fs::create_directory_symlink(outside, served / "packages" / "outside");
    fs::create_symlink(outside / "secret.txt", served / "secret.ini");
    fs::create_symlink(outside / "secret.txt", served / "pages" / "secret.html");
    fs::create_symlink(outside / "secret.txt", served / "packages" / "secret.msi");
    for (const char* name :
         {".git/config", ".env", "ZoZuzaviz/.env", "ZoZuzaviz/.git/config", "pages/.draft.html",
          "pages/.git/notes.html", "packages/.hidden.msi", "packages/.sync/Quorvane.msi"})
        Serve(name, secret);

    struct Case {
        const char* target;
        DWORD status; // 0: the connection closed without an answer
    };
    const Case cases[] = {
        // What the update manager asks for.
        {"/QVU.ini", 200},
        {"/QVU.ini.minisig", 200},
        {"/packages/Quorvane.msi", 200},
        {"/?File=ZoZuzaviz/QVUUpdate.exe", 200},
        {"/pages/notes.html", 200},
        {"/?URL=notes", 200},
        // Links to / and to a file outside the folder.
        {"/?File=ZoZuzaviz/rootfs/etc/passwd", 404},
        {"/?File=rootfs/etc/passwd", 404},
        {"/rootfs/etc/passwd", 404},
        {"/ZoZuzaviz/rootfs/etc/passwd", 404},
        {"/secret.ini", 404},
        {"/?File=secret.ini", 404},
        {"/pages/secret.html", 404},
        {"/?URL=secret", 404},
        {"/packages/secret.msi", 0},
        {"/packages/outside/secret.txt", 0},
        // Names starting with a dot, at every depth and however asked for.
        {"/.git/config", 404},
        {"/%2Egit/config", 404},
        {"/.env", 404},
        {"/ZoZuzaviz/.env", 404},
        {"/ZoZuzaviz/.git/config", 404},
        {"/?File=.git/config", 404},
        {"/?File=ZoZuzaviz/.env", 404},
        {"/?File=ZoZuzaviz/%2Eenv", 404},
        {"/pages/.draft.html", 404},
        {"/pages/.git/notes.html", 404},
        {"/?URL=.draft", 404},
        {"/packages/.hidden.msi", 404},
        {"/packages/.sync/Quorvane.msi", 404},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatusOf(c.target), c.status) << c.target;
}

INSTANTIATE_TEST_SUITE_P(Schemes, NginxServerTest, ::testing::Values("http", "https"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return info.param == "https" ? "Https" : "Http";
                         });

} // namespace
