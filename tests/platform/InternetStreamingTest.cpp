// A body streamed through a bounded buffer: a reader slower than the network,
// blocks of any size, and closing a handle while the body still comes.
#include "platform/errors.h"
#include "platform/internet.h"
#include "tests/platform/InternetTestSupport.h"
#include "tests/support/LocalServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using qvutest::InternetHandle;
using qvutest::LocalServer;
using Clock = std::chrono::steady_clock;

class InternetStreamingTest : public ::testing::Test {
protected:
    InternetHandle Open(const std::string& url) {
        session = InternetHandle(
            InternetOpenA("test", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
        EXPECT_NE(session, nullptr);
        return InternetHandle(
            InternetOpenUrlA(session.get(), url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0));
    }

    // How long closing the handle takes.
    static Clock::duration TimeToClose(InternetHandle& file) {
        const auto start = Clock::now();
        file.reset();
        return Clock::now() - start;
    }

    qvutest::ServedFolder folder;
    InternetHandle session;
};

TEST_F(InternetStreamingTest, SlowReaderWithBlocksOfAnySizeGetsABodyMuchLargerThanTheBuffer) {
    constexpr std::size_t kSize = 24u << 20;
    const std::string bytes = folder.Put("large.bin", kSize);
    LocalServer server(folder.Path());
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    InternetHandle file = Open(server.Url("/large.bin"));
    ASSERT_NE(file, nullptr) << GetLastError();

    // Odd sizes end blocks at every offset; the largest block is more than
    // the transfer buffers at once.
    const std::vector<DWORD> sizes = {1, 4093, 65537, 8192, 6u << 20, 131071};
    std::vector<char> block(6u << 20);
    std::string received;
    for (std::size_t i = 0;; ++i) {
        const DWORD size = sizes[i % sizes.size()];
        DWORD count = 0;
        ASSERT_TRUE(InternetReadFile(file.get(), block.data(), size, &count));
        received.append(block.data(), count);
        if (count < size)
            break;
        if (i % 8 == 0)
            std::this_thread::sleep_for(20ms); // the buffer fills meanwhile
    }
    EXPECT_EQ(received.size(), kSize);
    EXPECT_TRUE(received == bytes);
}

TEST_F(InternetStreamingTest, ClosingWhileTheServerKeepsSendingReturnsPromptly) {
    folder.Write("large.bin", 48u << 20);
    LocalServer server(folder.Path());
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    InternetHandle file = Open(server.Url("/large.bin"));
    ASSERT_NE(file, nullptr) << GetLastError();
    char block[8192];
    DWORD count = 0;
    ASSERT_TRUE(InternetReadFile(file.get(), block, sizeof block, &count));
    std::this_thread::sleep_for(200ms); // the buffer is full, the transfer waits for room
    EXPECT_LT(TimeToClose(file), 800ms);
}

TEST_F(InternetStreamingTest, ClosingWhileTheServerIsSilentReturnsPromptly) {
    folder.Put("product.msi", 100000);
    LocalServer server(folder.Path(), {"--stall-after", "8192"});
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    InternetHandle file = Open(server.Url("/product.msi"));
    ASSERT_NE(file, nullptr) << GetLastError();
    char block[8192];
    DWORD count = 0;
    ASSERT_TRUE(InternetReadFile(file.get(), block, sizeof block, &count));
    std::this_thread::sleep_for(300ms); // the transfer waits for the network
    // Well below libcurl's longest single wait (a second).
    EXPECT_LT(TimeToClose(file), 300ms);
}

TEST_F(InternetStreamingTest, ClosingWithoutReadingReturnsPromptly) {
    folder.Write("large.bin", 48u << 20);
    LocalServer server(folder.Path());
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    InternetHandle file = Open(server.Url("/large.bin"));
    ASSERT_NE(file, nullptr) << GetLastError();
    EXPECT_LT(TimeToClose(file), 800ms);
}

} // namespace
