#include "platform/errors.h"
#include "platform/http_session.h"
#include "tests/platform/InternetTestSupport.h"
#include "tests/support/LocalServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>

namespace {

using qvutest::LocalServer;

constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr DWORD kFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

class HttpSessionTest : public ::testing::Test {
protected:
    // Sends the request as the self-check does: session, connection, request.
    std::unique_ptr<CHttpFile> Send(const LocalServer& server, const char* verb,
                                    const char* object) {
        connection =
            session.GetHttpConnection("127.0.0.1", static_cast<INTERNET_PORT>(server.Port()));
        std::unique_ptr<CHttpFile> file =
            connection->OpenRequest(verb, object, nullptr, 1, nullptr, nullptr, kFlags);
        file->SendRequest();
        return file;
    }

    DWORD Status(const CHttpFile& file) {
        DWORD status = 0;
        EXPECT_TRUE(file.QueryInfoStatusCode(status));
        return status;
    }

    qvutest::ServedFolder folder;
    CInternetSession session{kAgent, 1, PRE_CONFIG_INTERNET_ACCESS};
    std::unique_ptr<CHttpConnection> connection;
};

TEST_F(HttpSessionTest, AnswerTellsStatusLengthAndModificationTimeInUtc) {
    folder.Put("ZoZuzaviz/QVUUpdate.exe", 123456);
    // 2024-03-05 06:07:08 UTC, a Tuesday; the local zone must not matter.
    const std::time_t modified = 1709618828;
    std::filesystem::last_write_time(
        folder.Path() / "ZoZuzaviz/QVUUpdate.exe",
        std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(modified)));
    qvutest::ScopedEnvironment environment;
    environment.Set("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
    LocalServer server(folder.Path());
    ASSERT_TRUE(server.Started()) << server.FirstLine();

    for (const char* verb : {"GET", "HEAD"}) {
        SCOPED_TRACE(verb);
        std::unique_ptr<CHttpFile> file = Send(server, verb, "/?File=ZoZuzaviz/QVUUpdate.exe");
        EXPECT_EQ(Status(*file), 200u);
        DWORD length = 0;
        EXPECT_TRUE(file->QueryInfo(HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, length));
        EXPECT_EQ(length, 123456u);
        SYSTEMTIME time{};
        ASSERT_TRUE(file->QueryInfo(HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, time));
        EXPECT_EQ(time.wYear, 2024);
        EXPECT_EQ(time.wMonth, 3);
        EXPECT_EQ(time.wDay, 5);
        EXPECT_EQ(time.wDayOfWeek, 2);
        EXPECT_EQ(time.wHour, 6);
        EXPECT_EQ(time.wMinute, 7);
        EXPECT_EQ(time.wSecond, 8);
        file->Close();
    }
    environment.Unset("TZ");
    tzset();
}

TEST_F(HttpSessionTest, MissingOrUnreadableHeadersAndOtherStatusesAnswerWithoutThrowing) {
    folder.Put("ZoZuzaviz/QVUUpdate.exe", 1000);
    folder.Put("../outside.txt", 10);
    const std::string log = (folder.Path() / ".." / "requests.log").string();
    // A length that is no number, or negative, counts as none.
    for (const char* length : {"", "abc", "-5"}) {
        SCOPED_TRACE(length);
        std::vector<std::string> arguments{"--no-last-modified", "--log", log};
        const std::vector<std::string> lengthArguments =
            *length == '\0' ? std::vector<std::string>{"--no-content-length"}
                            : std::vector<std::string>{"--content-length", length};
        arguments.insert(arguments.end(), lengthArguments.begin(), lengthArguments.end());
        LocalServer bare(folder.Path(), arguments);
        ASSERT_TRUE(bare.Started()) << bare.FirstLine();
        std::unique_ptr<CHttpFile> file = Send(bare, "GET", "/?File=ZoZuzaviz/QVUUpdate.exe");
        EXPECT_EQ(Status(*file), 200u);
        DWORD size = 7;
        EXPECT_FALSE(file->QueryInfo(HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, size));
        EXPECT_EQ(GetLastError(), ERROR_HTTP_HEADER_NOT_FOUND);
        EXPECT_EQ(size, 7u);
        SYSTEMTIME time{};
        EXPECT_FALSE(file->QueryInfo(HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, time));
        EXPECT_EQ(GetLastError(), ERROR_HTTP_HEADER_NOT_FOUND);
    }
    // No accept types asked for: no Accept header.
    const std::string requests = qvutest::ReadFile(log);
    EXPECT_NE(requests.find("GET /?File=ZoZuzaviz/QVUUpdate.exe\n"), std::string::npos) << requests;
    EXPECT_EQ(requests.find("Accept:"), std::string::npos) << requests;

    LocalServer server(folder.Path(),
                       {"--status", "503", "--only", "/?File=ZoZuzaviz/QVUUpdate.exe"});
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    EXPECT_EQ(Status(*Send(server, "GET", "/?File=ZoZuzaviz/QVUUpdate.exe")), 503u);
    EXPECT_EQ(Status(*Send(server, "HEAD", "/?File=ZoZuzaviz/Missing.exe")), 404u);
    // Names that leave the served folder are refused.
    EXPECT_EQ(Status(*Send(server, "GET", "/?File=../outside.txt")), 403u);
    EXPECT_EQ(Status(*Send(server, "GET", "/?File=ZoZuzaviz/..%2F..%2Foutside.txt")), 403u);
}

TEST_F(HttpSessionTest, GetReturnsWithoutWaitingForTheBody) {
    folder.Write("ZoZuzaviz/QVUUpdate.exe", 8 << 20);
    LocalServer server(folder.Path(), {"--stall-after", "0"});
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<CHttpFile> file = Send(server, "GET", "/?File=ZoZuzaviz/QVUUpdate.exe");
    EXPECT_EQ(Status(*file), 200u);
    file->Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(HttpSessionTest, UnreachableServerThrowsWithItsDescription) {
    int closedPort = 0;
    {
        LocalServer gone(folder.Path());
        ASSERT_TRUE(gone.Started()) << gone.FirstLine();
        closedPort = gone.Port();
    }
    connection = session.GetHttpConnection("127.0.0.1", static_cast<INTERNET_PORT>(closedPort));
    std::unique_ptr<CHttpFile> file =
        connection->OpenRequest("GET", "/?File=QVU.ini", nullptr, 1, nullptr, nullptr, kFlags);
    try {
        file->SendRequest();
        FAIL() << "no exception";
    } catch (const CInternetException& error) {
        EXPECT_EQ(error.m_dwError, ERROR_INTERNET_CANNOT_CONNECT);
        char text[256];
        ASSERT_TRUE(error.GetErrorMessage(text, sizeof text));
        EXPECT_NE(std::strstr(text, "could not be established"), nullptr) << text;
        char shortText[8];
        UINT help = 99;
        ASSERT_TRUE(error.GetErrorMessage(shortText, sizeof shortText, &help));
        EXPECT_STREQ(shortText, "A conne");
        EXPECT_EQ(help, 0u);
        EXPECT_FALSE(error.GetErrorMessage(text, 0));
    }
    DWORD status = 0;
    EXPECT_FALSE(file->QueryInfoStatusCode(status));
}

} // namespace
