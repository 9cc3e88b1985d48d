#include "platform/internet.h"
#include "tests/support/LocalServer.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempRoot.h"
#include "tests/support/TestCertificate.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class QvuServerTest : public ::testing::Test {
protected:
    QvuServerTest() { fs::create_directories(Folder()); }

    // Runs qvu-server to its end with the arguments; answers its exit code.
    int Run(const std::string& arguments) {
        const std::string command = "\"" + qvutest::ProgramPath("qvu-server").string() + "\" " +
                                    arguments + " >\"" + Path("out").string() + "\" 2>\"" +
                                    Path("errors").string() + "\"";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path Path(const std::string& name) const { return root.Folder() / name; }
    fs::path Folder() const { return Path("www"); }
    std::string Output() const { return qvutest::ReadFile(Path("out")); }
    std::string Errors() const { return qvutest::ReadFile(Path("errors")); }

    // The body of a GET through the platform's client; "" when it failed.
    static std::string Fetch(const std::string& url) {
        const HINTERNET session =
            InternetOpenA("test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        const HINTERNET file = InternetOpenUrlA(session, url.c_str(), nullptr, 0, 0, 0);
        std::string body;
        char block[4096];
        DWORD count = 0;
        for (int reads = 0; file && reads < 1000; ++reads) {
            if (!InternetReadFile(file, block, sizeof block, &count) || count == 0)
                break;
            body.append(block, count);
        }
        InternetCloseHandle(file);
        InternetCloseHandle(session);
        return body;
    }

    qvutest::TempRoot root;
};

TEST_F(QvuServerTest, HelpDescribesTheCommandLine) {
    EXPECT_EQ(Run("--help"), 0);
    for (const char* option :
         {"--root DIR", "--port", "--cut-after", "--stall-after", "--status", "--no-content-length",
          "--no-last-modified", "--close-in-header", "--only", "127.0.0.1",
          "listening on http://127.0.0.1:PORT", "--tls CERT KEY", "--log FILE",
          "--content-length TEXT", "--redirect ADDRESS", "(https with --tls)", "--rate BYTES",
          "--trickle-after BYTES", "--trickle-headers"})
        EXPECT_NE(Output().find(option), std::string::npos) << option;
}

TEST_F(QvuServerTest, BadArgumentsFailWithUsage) {
    const std::string root = "--root \"" + Folder().string() + "\" ";
    for (const std::string& arguments :
         {std::string(""), root + "--port 70000", root + "--port x", root + "--status 99",
          root + "--cut-after -1", root + "--stall-after", root + "--bogus",
          root + "--close-in-header --only /QVU.ini", root + "--tls only-one.pem",
          root + "--close-in-header --tls certificate.pem key.pem", root + "--rate 0",
          root + "--rate 1k", root + "--trickle-after x",
          root + "--trickle-headers --only /QVU.ini"}) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(Run(arguments), 2);
        EXPECT_NE(Errors().find("usage: qvu-server"), std::string::npos);
        EXPECT_EQ(Output(), "");
    }
    EXPECT_EQ(Run("--root \"" + Path("missing").string() + "\""), 1);
    EXPECT_NE(Errors().find("not a folder"), std::string::npos);
    EXPECT_EQ(Run(root + "--tls missing.pem missing.pem"), 1);
    EXPECT_NE(Errors().find("cannot use the certificate"), std::string::npos);
}

// Whether a socket listens on the port at 127.0.0.1 and on no other address.
bool ListensOnLoopbackOnly(int port) {
    std::ifstream table("/proc/net/tcp");
    std::ostringstream portText;
    portText << std::uppercase << std::hex << port;
    std::string hexPort = portText.str();
    hexPort.insert(0, 4 - hexPort.size(), '0');
    bool loopback = false;
    std::string line;
    std::getline(table, line); // headings
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (state != "0A" || local.substr(local.size() - 4) != hexPort)
            continue; // not listening, or another port
        if (local.substr(0, 8) != "0100007F")
            return false;
        loopback = true;
    }
    return loopback;
}

TEST_F(QvuServerTest, AnnouncesItsLoopbackPortAndEndsOnSigterm) {
    qvutest::WriteFile(Folder() / "QVU.ini", "[QVU.ini]\nver=3.1\n");
    qvutest::LocalServer server(Folder());
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    EXPECT_TRUE(std::regex_match(server.FirstLine(),
                                 std::regex("listening on http://127\\.0\\.0\\.1:[1-9][0-9]*")));
    EXPECT_TRUE(ListensOnLoopbackOnly(server.Port()));
    EXPECT_EQ(Fetch(server.Url("/?File=QVU.ini")), "[QVU.ini]\nver=3.1\n");

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST_F(QvuServerTest, EndsOnSigtermRightAfterItsFirstLine) {
    for (int i = 0; i < 10; ++i) {
        qvutest::LocalServer server(Folder());
        ASSERT_TRUE(server.Started()) << server.FirstLine();
        EXPECT_EQ(server.Stop(), 0);
    }
}

TEST_F(QvuServerTest, StallingServerStillEndsPromptly) {
    qvutest::WriteFile(Folder() / "big.bin", std::string(100000, 'x'));
    qvutest::LocalServer server(Folder(), {"--stall-after", "10"});
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    const HINTERNET session = InternetOpenA("test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    const HINTERNET file =
        InternetOpenUrlA(session, server.Url("/big.bin").c_str(), nullptr, 0, 0, 0);
    EXPECT_NE(file, nullptr);
    // The client keeps its connection open while the server stops.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    InternetCloseHandle(file);
    InternetCloseHandle(session);
}

TEST_F(QvuServerTest, ServesHttpsRedirectsLogsAndSendsAnUnreadableLength) {
    const std::string description = "[QVU.ini]\nver=3.1\n";
    qvutest::WriteFile(Folder() / "QVU.ini", description);
    const qvutest::TestCertificate authority(Path("authority"));
    ASSERT_TRUE(authority.Made());
    qvutest::ScopedEnvironment environment;
    environment.Set("QVU_CA_FILE", authority.CertificateFile().string());
    std::vector<std::string> arguments = authority.ServerArguments();
    arguments.insert(arguments.end(), {"--log", Path("requests.log").string()});
    qvutest::LocalServer secure(Folder(), arguments);
    ASSERT_TRUE(secure.Started()) << secure.FirstLine();
    EXPECT_TRUE(std::regex_match(secure.FirstLine(),
                                 std::regex("listening on https://127\\.0\\.0\\.1:[1-9][0-9]*")));
    qvutest::LocalServer redirecting(Folder(),
                                     {"--redirect", secure.Url(""), "--only", "/?File=QVU.ini"});
    qvutest::LocalServer badLength(Folder(), {"--content-length", "abc"});
    ASSERT_TRUE(redirecting.Started() && badLength.Started());

    EXPECT_EQ(Fetch(redirecting.Url("/?File=QVU.ini")), description);
    EXPECT_EQ(Fetch(redirecting.Url("/QVU.ini")), description);
    EXPECT_NE(qvutest::ReadFile(Path("requests.log")).find("GET /?File=QVU.ini\n"),
              std::string::npos);
    EXPECT_EQ(Fetch(badLength.Url("/QVU.ini")), description);
}

TEST_F(QvuServerTest, ChosenPortAndMisbehaviourForOneTargetOnly) {
    qvutest::WriteFile(Folder() / "QVU.ini", std::string(5000, 'q'));
    qvutest::WriteFile(Folder() / "pkg" / "big.msi", std::string(5000, 'm'));
    int port = 0;
    {
        qvutest::LocalServer first(Folder());
        ASSERT_TRUE(first.Started()) << first.FirstLine();
        port = first.Port();
    }
    qvutest::LocalServer server(
        Folder(), {"--port", std::to_string(port), "--cut-after", "100", "--only", "/pkg/big.msi"});
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    EXPECT_EQ(server.Port(), port);
    EXPECT_EQ(Fetch(server.Url("/pkg/big.msi")), std::string(100, 'm'));
    EXPECT_EQ(Fetch(server.Url("/?File=QVU.ini")), std::string(5000, 'q'));
    EXPECT_EQ(Fetch(server.Url("/?File=pkg/big.msi")), std::string(5000, 'm'));
}

TEST_F(QvuServerTest, RateSlowsEveryBodyAlongWithTheOtherSwitches) {
    std::string package(64 * 1024, '\0');
    for (std::size_t i = 0; i < package.size(); ++i)
        package[i] = static_cast<char>(i * 7 + i / 251);
    qvutest::WriteFile(Folder() / "pkg.msi", package);
    qvutest::WriteFile(Folder() / "cut.msi", package);
    qvutest::WriteFile(Folder() / "QVU.ini", "[QVU.ini]\nver=3.1\n");
    qvutest::LocalServer server(Folder(),
                                {"--rate", "128000", "--cut-after", "1000", "--only", "/cut.msi"});
    ASSERT_TRUE(server.Started()) << server.FirstLine();

    const auto start = std::chrono::steady_clock::now();
    const std::string body = Fetch(server.Url("/pkg.msi"));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(body == package) << body.size() << " bytes";
    EXPECT_GE(took, std::chrono::milliseconds(400));
    EXPECT_LT(took, std::chrono::seconds(3));
    EXPECT_EQ(Fetch(server.Url("/?File=QVU.ini")), "[QVU.ini]\nver=3.1\n");
    EXPECT_TRUE(Fetch(server.Url("/cut.msi")) == package.substr(0, 1000));
}

TEST_F(QvuServerTest, TrickleKeepsTheConnectionBusyWhileTheBodyHardlyMoves) {
    const std::string file = std::string(1000, 'a') + "bc";
    qvutest::WriteFile(Folder() / "slow.msi", file);
    qvutest::LocalServer server(Folder(), {"--trickle-after", "1000"});
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    // The last two bytes take a second each, and each comes before the
    // client's receive time-out: the whole body arrives, slowly.
    qvutest::ScopedEnvironment environment;
    environment.Set("QVU_HTTP_RECEIVE_TIMEOUT_MS", "1500");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Fetch(server.Url("/slow.msi")), file);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(1900));
    EXPECT_LT(took, std::chrono::seconds(5));
    // The server stops at once however long the trickle would go on.
    const HINTERNET session = InternetOpenA("test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    const HINTERNET open =
        InternetOpenUrlA(session, server.Url("/slow.msi").c_str(), nullptr, 0, 0, 0);
    EXPECT_NE(open, nullptr);
    const auto stopping = std::chrono::steady_clock::now();
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - stopping, std::chrono::seconds(3));
    InternetCloseHandle(open);
    InternetCloseHandle(session);
}

} // namespace
