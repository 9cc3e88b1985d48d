#include "tests/support/ScopedEnvironment.h"
#include "update/SelfCheck.h"
#include "update/UpdateDescription.h"

#include <gtest/gtest.h>

namespace {

using qvutest::ScopedEnvironment;

TEST(ServerAddressesTest, BuiltInServersWithoutEnvironment) {
    ScopedEnvironment environment;
    environment.Unset("QVU_UPDATE_SERVER");
    environment.Unset("QVU_WEB_SERVER");
    EXPECT_EQ(UpdateServerBaseAddress(), "https://update.quorvane.example");
    EXPECT_EQ(UpdateDescriptionAddress(), "https://update.quorvane.example/QVU.ini");
    EXPECT_EQ(UpdateServerHost(), "update.quorvane.example");
    EXPECT_EQ(UpdateServerPort(), 80);
    EXPECT_FALSE(UpdateServerIsSecure()) << "the built-in server's check is plain HTTP";
    EXPECT_EQ(WebServerAddress(), kWebServerRoot);
    const std::string page = std::string(kWebServerRoot) + "?URL=olvin3-versionhistory-en";
    EXPECT_EQ(WebPageAddress(page), page);
}

TEST(ServerAddressesTest, EnvironmentMovesTheServers) {
    ScopedEnvironment environment;
    environment.Set("QVU_UPDATE_SERVER", "http://127.0.0.1:8080/");
    environment.Set("QVU_WEB_SERVER", "http://localhost:9090");
    EXPECT_EQ(UpdateServerBaseAddress(), "http://127.0.0.1:8080");
    EXPECT_EQ(UpdateDescriptionAddress(), "http://127.0.0.1:8080/QVU.ini");
    EXPECT_EQ(UpdateServerHost(), "127.0.0.1");
    EXPECT_EQ(UpdateServerPort(), 8080);
    EXPECT_FALSE(UpdateServerIsSecure());
    EXPECT_EQ(WebServerAddress(), "http://localhost:9090/");
    EXPECT_EQ(WebPageAddress(std::string(kWebServerRoot) + "?URL=hulo5-update-de"),
              "http://localhost:9090/?URL=hulo5-update-de");
    EXPECT_EQ(WebPageAddress("https://other.example/?URL=x"), "https://other.example/?URL=x");

    environment.Set("QVU_UPDATE_SERVER", "HTTPS://Mirror.example/quorvane/updates");
    EXPECT_EQ(UpdateDescriptionAddress(), "HTTPS://Mirror.example/quorvane/updates/QVU.ini");
    EXPECT_EQ(UpdateServerHost(), "Mirror.example");
    EXPECT_EQ(UpdateServerPort(), 443) << "the scheme's port";
    EXPECT_TRUE(UpdateServerIsSecure()) << "the scheme's security";
}

TEST(ServerAddressesTest, MalformedEnvironmentFallsBackToTheBuiltInServers) {
    ScopedEnvironment environment;
    for (const char* value :
         {"", "127.0.0.1:8080", "ftp://host", "http://", "http://:80",
          "http://host:", "http://host:0", "http://host:65536", "http://host:80x",
          "http://host:123456", "http://user@host", "http://ho st", "http://host/a b",
          "http://host/?q=1", "http://host#top", "http://[::1", "http://[]", "http://host:8:9"}) {
        environment.Set("QVU_UPDATE_SERVER", value);
        environment.Set("QVU_WEB_SERVER", value);
        EXPECT_EQ(UpdateServerBaseAddress(), "https://update.quorvane.example") << value;
        EXPECT_EQ(UpdateServerHost(), "update.quorvane.example") << value;
        EXPECT_EQ(UpdateServerPort(), 80) << value;
        EXPECT_EQ(WebServerAddress(), kWebServerRoot) << value;
    }
}

TEST(ServerAddressesTest, AddressPartsAreSplitCorrectly) {
    const auto ipv6 = ParseServerAddress("http://[::1]:8081/");
    ASSERT_TRUE(ipv6);
    EXPECT_EQ(ipv6->host, "[::1]");
    EXPECT_EQ(ipv6->port, 8081);
    EXPECT_EQ(ipv6->base, "http://[::1]:8081");
    const auto ipv6DefaultPort = ParseServerAddress("http://[fe80::1]");
    ASSERT_TRUE(ipv6DefaultPort);
    EXPECT_EQ(ipv6DefaultPort->port, 80);
    const auto maxPort = ParseServerAddress("https://a-b_c.example:65535//");
    ASSERT_TRUE(maxPort);
    EXPECT_EQ(maxPort->host, "a-b_c.example");
    EXPECT_EQ(maxPort->port, 65535);
    EXPECT_EQ(maxPort->base, "https://a-b_c.example:65535");
}

} // namespace
