#include "platform/errors.h"
#include "platform/internet.h"
#include "tests/platform/InternetTestSupport.h"
#include "tests/support/LocalServer.h"
#include "tests/support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

namespace {

using qvutest::InternetHandle;
using qvutest::LocalServer;

constexpr DWORD kBlock = 8192;
constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

class InternetReadTest : public ::testing::Test {
protected:
    // Opens the address with a new session as the download engine does;
    // the file handle is null when the open failed (error in openError).
    InternetHandle Open(const std::string& url) {
        session = InternetHandle(
            InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
        EXPECT_NE(session, nullptr);
        InternetHandle file(
            InternetOpenUrlA(session.get(), url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0));
        openError = file ? 0 : GetLastError();
        return file;
    }

    qvutest::ServedFolder folder;
    InternetHandle session;
    DWORD openError = 0;
};

TEST_F(InternetReadTest, BodyComesInFullBlocksThenAShortOneThenAnEmptyRead) {
    const std::string bytes = folder.Put("pkg/product.msi", 3 * kBlock + 100);
    const std::string exact = folder.Put("exact.bin", kBlock);
    LocalServer server(folder.Path());
    ASSERT_TRUE(server.Started()) << server.FirstLine();

    InternetHandle file = Open(server.Url("/pkg/product.msi"));
    ASSERT_NE(file, nullptr) << openError;
    qvutest::BodyReading reading = qvutest::ReadBody(file.get());
    EXPECT_FALSE(reading.failed);
    EXPECT_EQ(reading.counts, (std::vector<DWORD>{kBlock, kBlock, kBlock, 100}));
    EXPECT_TRUE(reading.bytes == bytes);
    char block[kBlock];
    DWORD count = 1;
    EXPECT_TRUE(InternetReadFile(file.get(), block, kBlock, &count));
    EXPECT_EQ(count, 0u);

    // A body of exactly one block: one full read, then one answering 0 bytes.
    file = Open(server.Url("/?File=exact.bin"));
    ASSERT_NE(file, nullptr) << openError;
    reading = qvutest::ReadBody(file.get());
    EXPECT_FALSE(reading.failed);
    EXPECT_EQ(reading.counts, (std::vector<DWORD>{kBlock, 0}));
    EXPECT_TRUE(reading.bytes == exact);
}

TEST_F(InternetReadTest, FileNamesOfTheQueryMayHoldSlashesAndEscapes) {
    const std::string bytes = folder.Put("ZoZuzaviz/QVUUpdate.exe", 5000);
    LocalServer server(folder.Path());
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    for (const std::string target :
         {"/?File=ZoZuzaviz/QVUUpdate.exe", "/?File=ZoZuzaviz%2FQVUUpdate.exe",
          "/ZoZuzaviz/QVUUpdate.exe"}) {
        SCOPED_TRACE(target);
        InternetHandle file = Open(server.Url(target));
        ASSERT_NE(file, nullptr) << openError;
        EXPECT_TRUE(qvutest::ReadBody(file.get()).bytes == bytes);
    }
}

TEST_F(InternetReadTest, CutBodyEndsWithAShortCountAndThenAFailure) {
    const std::string bytes = folder.Put("product.msi", 10 * kBlock);
    LocalServer server(folder.Path(), {"--cut-after", "20000"});
    ASSERT_TRUE(server.Started()) << server.FirstLine();

    InternetHandle file = Open(server.Url("/?File=product.msi"));
    ASSERT_NE(file, nullptr) << openError;
    const qvutest::BodyReading reading = qvutest::ReadBody(file.get());
    // Only the count tells: 20000 bytes arrived of the announced 81920.
    EXPECT_EQ(reading.bytes.size(), 20000u);
    EXPECT_TRUE(reading.bytes == bytes.substr(0, 20000));
    char block[kBlock];
    DWORD count = 1;
    if (!reading.failed) {
        EXPECT_FALSE(InternetReadFile(file.get(), block, kBlock, &count));
        EXPECT_EQ(count, 0u);
        EXPECT_EQ(GetLastError(), ERROR_INTERNET_CONNECTION_ABORTED);
    } else {
        EXPECT_EQ(reading.error, ERROR_INTERNET_CONNECTION_ABORTED);
    }
}

TEST_F(InternetReadTest, StalledServerFailsWithinTheReceiveTimeout) {
    folder.Put("product.msi", 10 * kBlock);
    qvutest::ScopedEnvironment environment;
    environment.Set("QVU_HTTP_RECEIVE_TIMEOUT_MS", "600");
    LocalServer server(folder.Path(), {"--stall-after", "8192"});
    ASSERT_TRUE(server.Started()) << server.FirstLine();

    InternetHandle file = Open(server.Url("/?File=product.msi"));
    ASSERT_NE(file, nullptr) << openError;
    const auto start = std::chrono::steady_clock::now();
    const qvutest::BodyReading reading = qvutest::ReadBody(file.get());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(reading.failed);
    EXPECT_EQ(reading.error, ERROR_INTERNET_TIMEOUT);
    EXPECT_EQ(reading.bytes.size(), kBlock);
    EXPECT_GE(waited, std::chrono::milliseconds(500));
    EXPECT_LT(waited, std::chrono::seconds(3));
}

TEST_F(InternetReadTest, LimitedSessionEndsATrickleWithinTheReceiveTimeout) {
    folder.Put("trickle/QVU.ini", 3 * kBlock);
    const std::string body = folder.Put("QVU.ini", 3 * kBlock);
    qvutest::ScopedEnvironment environment;
    environment.Set("QVU_HTTP_RECEIVE_TIMEOUT_MS", "1200");
    LocalServer server(folder.Path(), {"--trickle-after", "8192", "--only", "/trickle/QVU.ini"});
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    const auto OpenLimited = [&](const std::string& url) {
        session = InternetHandle(
            InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
        EXPECT_TRUE(platform::LimitInternetSessionTime(session.get()));
        return InternetHandle(
            InternetOpenUrlA(session.get(), url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0));
    };

    // A byte a second never leaves the connection silent for the time-out;
    // the limit ends it all the same, with the bytes that came.
    InternetHandle file = OpenLimited(server.Url("/trickle/QVU.ini"));
    ASSERT_NE(file, nullptr) << GetLastError();
    const auto start = std::chrono::steady_clock::now();
    const qvutest::BodyReading reading = qvutest::ReadBody(file.get());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::seconds(3));
    EXPECT_GE(reading.bytes.size(), kBlock);
    EXPECT_LT(reading.bytes.size(), kBlock + 4);
    DWORD error = reading.error;
    if (!reading.failed) {
        // A short count with the trickled bytes came first; the failure follows.
        char rest[16];
        DWORD count = 0;
        EXPECT_FALSE(InternetReadFile(file.get(), rest, sizeof rest, &count));
        error = GetLastError();
    }
    EXPECT_EQ(error, ERROR_INTERNET_TIMEOUT);

    // An answer that comes at once passes, and the limit is the session's.
    file = OpenLimited(server.Url("/QVU.ini"));
    ASSERT_NE(file, nullptr) << GetLastError();
    EXPECT_EQ(qvutest::ReadBody(file.get()).bytes, body);
    EXPECT_FALSE(platform::LimitInternetSessionTime(file.get()));
}

TEST_F(InternetReadTest, OpenFailsWithoutAnAnswer) {
    folder.Put("QVU.ini", 100);
    int closedPort = 0;
    {
        LocalServer gone(folder.Path());
        ASSERT_TRUE(gone.Started()) << gone.FirstLine();
        closedPort = gone.Port();
    }
    EXPECT_EQ(Open("http://127.0.0.1:" + std::to_string(closedPort) + "/QVU.ini"), nullptr);
    EXPECT_EQ(openError, ERROR_INTERNET_CANNOT_CONNECT);

    LocalServer brokenHeaders(folder.Path(), {"--close-in-header"});
    ASSERT_TRUE(brokenHeaders.Started()) << brokenHeaders.FirstLine();
    EXPECT_EQ(Open(brokenHeaders.Url("/QVU.ini")), nullptr);
    EXPECT_EQ(openError, ERROR_HTTP_INVALID_SERVER_RESPONSE);

    // Headers that never end fail within the receive time-out, although a
    // line keeps coming.
    qvutest::ScopedEnvironment environment;
    environment.Set("QVU_HTTP_RECEIVE_TIMEOUT_MS", "1000");
    LocalServer endlessHeaders(folder.Path(), {"--trickle-headers"});
    ASSERT_TRUE(endlessHeaders.Started()) << endlessHeaders.FirstLine();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Open(endlessHeaders.Url("/QVU.ini")), nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(openError, ERROR_INTERNET_TIMEOUT);

    EXPECT_EQ(Open("ftp://127.0.0.1/QVU.ini"), nullptr);
    EXPECT_EQ(openError, ERROR_INTERNET_UNRECOGNIZED_SCHEME);
}

TEST_F(InternetReadTest, BodiesOfErrorAnswersAndOfAnswersWithoutReadableLengthAreRead) {
    const std::string bytes = folder.Put("QVU.ini", 3000);
    // A length that is no number, or negative, counts as none: the body ends
    // with the connection.
    for (const std::vector<std::string>& switches : {std::vector<std::string>{"--status", "404"},
                                                     {"--no-content-length"},
                                                     {"--content-length", "abc"},
                                                     {"--content-length", "-5"}}) {
        SCOPED_TRACE(switches.back());
        LocalServer server(folder.Path(), switches);
        ASSERT_TRUE(server.Started()) << server.FirstLine();
        InternetHandle file = Open(server.Url("/?File=QVU.ini"));
        ASSERT_NE(file, nullptr) << openError;
        const qvutest::BodyReading reading = qvutest::ReadBody(file.get());
        EXPECT_FALSE(reading.failed);
        EXPECT_TRUE(reading.bytes == bytes);
    }
}

TEST_F(InternetReadTest, HandlesAreCheckedForKindAndLife) {
    folder.Put("QVU.ini", 10);
    LocalServer server(folder.Path());
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    InternetHandle file = Open(server.Url("/QVU.ini"));
    ASSERT_NE(file, nullptr) << openError;

    char block[16];
    DWORD count = 0;
    EXPECT_FALSE(InternetReadFile(session.get(), block, sizeof block, &count));
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    EXPECT_EQ(InternetOpenUrlA(file.get(), server.Url("/QVU.ini").c_str(), nullptr, 0, 0, 0),
              nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INTERNET_INCORRECT_HANDLE_TYPE);

    EXPECT_TRUE(InternetReadFile(file.get(), block, sizeof block, &count));
    EXPECT_EQ(count, 10u);

    HINTERNET stale = file.get();
    file.reset();
    EXPECT_FALSE(InternetReadFile(stale, block, sizeof block, &count));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(InternetCloseHandle(stale));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// The address sanitizer keeps freed memory in quarantine, so peak memory
// says nothing about what the code holds there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kFreedMemoryIsKept = true;
#elif defined(__has_feature)
constexpr bool kFreedMemoryIsKept = __has_feature(address_sanitizer);
#else
constexpr bool kFreedMemoryIsKept = false;
#endif

// Peak resident memory of this process so far, in bytes (VmHWM).
std::size_t PeakResidentBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoul(line.substr(6)) * 1024;
    return 0;
}

TEST_F(InternetReadTest, LargeBodyPassesThroughBoundedMemory) {
    constexpr std::size_t kSize = 64u << 20;
    folder.Put("small.bin", 100);
    folder.Write("large.bin", kSize);
    LocalServer server(folder.Path());
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    // A first transfer sets up libcurl and TLS, which are not the body's doing.
    qvutest::ReadBody(Open(server.Url("/small.bin")).get());

    const std::size_t peakBefore = PeakResidentBytes();
    const auto start = std::chrono::steady_clock::now();
    InternetHandle file = Open(server.Url("/large.bin"));
    ASSERT_NE(file, nullptr) << openError;
    std::size_t total = 0;
    char block[kBlock];
    DWORD count = 0;
    for (std::size_t reads = 0; reads <= kSize / kBlock; ++reads) {
        ASSERT_TRUE(InternetReadFile(file.get(), block, kBlock, &count));
        total += count;
        if (count < kBlock)
            break;
    }
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(total, kSize);
    if (!kFreedMemoryIsKept) {
        EXPECT_LT(PeakResidentBytes() - peakBefore, 16u << 20);
    }
    RecordProperty("MBPerSecond", static_cast<int>(kSize / 1e6 / seconds.count()));
}

} // namespace
