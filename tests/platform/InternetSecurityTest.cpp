// https: the server's certificate is verified against the system's
// authorities and the one QVU_CA_FILE names, and an answer over https never
// sends the client on over plain http.
#include "platform/errors.h"
#include "platform/internet.h"
#include "tests/platform/InternetTestSupport.h"
#include "tests/support/LocalServer.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestCertificate.h"

#include <gtest/gtest.h>

namespace {

using qvutest::InternetHandle;
using qvutest::LocalServer;

class InternetSecurityTest : public ::testing::Test {
protected:
    InternetSecurityTest() { EXPECT_TRUE(authority.Made()); }

    // The body at url, or nothing when the address could not be opened
    // (error in openError).
    std::optional<std::string> Fetch(const std::string& url) {
        const InternetHandle session(
            InternetOpenA("test", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
        const InternetHandle file(
            InternetOpenUrlA(session.get(), url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0));
        openError = file ? 0 : GetLastError();
        if (!file)
            return std::nullopt;
        return qvutest::ReadBody(file.get()).bytes;
    }

    // A server of the folder over https, misbehaving as arguments say.
    std::unique_ptr<LocalServer> Secure(std::vector<std::string> arguments = {}) const {
        const std::vector<std::string> tls = authority.ServerArguments();
        arguments.insert(arguments.begin(), tls.begin(), tls.end());
        return std::make_unique<LocalServer>(folder.Path(), arguments);
    }

    qvutest::ServedFolder folder;
    const qvutest::TestCertificate authority{folder.Path() / ".." / "authority"};
    qvutest::ScopedEnvironment environment;
    DWORD openError = 0;
};

TEST_F(InternetSecurityTest, CertificateOfTheExtraAuthorityIsTrustedAndNoOtherOne) {
    const std::string bytes = folder.Put("QVU.ini", 3000);
    const auto server = Secure();
    ASSERT_TRUE(server->Started()) << server->FirstLine();
    ASSERT_EQ(server->Url("").rfind("https://", 0), 0u);

    environment.Unset("QVU_CA_FILE");
    EXPECT_FALSE(Fetch(server->Url("/QVU.ini")).has_value());
    EXPECT_EQ(openError, ERROR_INTERNET_SEC_INVALID_CERT);

    environment.Set("QVU_CA_FILE", authority.CertificateFile().string());
    EXPECT_TRUE(Fetch(server->Url("/QVU.ini")) == bytes);
}

TEST_F(InternetSecurityTest, RedirectionFromHttpsToHttpIsRefused) {
    const std::string bytes = folder.Put("QVU.ini", 3000);
    environment.Set("QVU_CA_FILE", authority.CertificateFile().string());
    LocalServer plain(folder.Path());
    const auto secure = Secure();
    ASSERT_TRUE(plain.Started() && secure->Started());

    const struct {
        std::unique_ptr<LocalServer> from;
        std::string to;
        bool followed;
    } redirections[] = {
        {Secure({"--redirect", plain.Url("")}), "https to http", false},
        {Secure({"--redirect", secure->Url("")}), "https to https", true},
        {std::make_unique<LocalServer>(folder.Path(),
                                       std::vector<std::string>{"--redirect", secure->Url("")}),
         "http to https", true},
        {std::make_unique<LocalServer>(folder.Path(),
                                       std::vector<std::string>{"--redirect", plain.Url("")}),
         "http to http", true},
    };
    for (const auto& redirection : redirections) {
        SCOPED_TRACE(redirection.to);
        ASSERT_TRUE(redirection.from->Started()) << redirection.from->FirstLine();
        const std::optional<std::string> body = Fetch(redirection.from->Url("/?File=QVU.ini"));
        if (redirection.followed) {
            EXPECT_TRUE(body == bytes);
        } else {
            EXPECT_FALSE(body.has_value());
            EXPECT_EQ(openError, ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR);
        }
    }
}

} // namespace
