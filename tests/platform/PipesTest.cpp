#include "platform/pipes.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/handles.h"

#include <gtest/gtest.h>

namespace {

// A pipe is read as Windows reads one: what is there, up to the count; its
// ends report the other end's going with the pipe's own errors, and a
// write nobody reads fails instead of ending the process.
TEST(PipesTest, EndsReadWhatIsThereAndReportTheOtherEndsGoing) {
    HANDLE reader = nullptr, writer = nullptr;
    ASSERT_TRUE(CreatePipe(&reader, &writer, nullptr, 0));
    DWORD count = 0;
    ASSERT_TRUE(WriteFile(writer, "abc", 3, &count, nullptr));
    char buffer[16] = {};
    ASSERT_TRUE(ReadFile(reader, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(std::string(buffer, count), "abc") << "what is there, without waiting for more";

    CloseHandle(writer);
    EXPECT_FALSE(ReadFile(reader, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
    CloseHandle(reader);

    ASSERT_TRUE(CreatePipe(&reader, &writer, nullptr, 0));
    CloseHandle(reader);
    EXPECT_FALSE(WriteFile(writer, "abc", 3, &count, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_NO_DATA);
    CloseHandle(writer);

    EXPECT_FALSE(CreatePipe(nullptr, &writer, nullptr, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

} // namespace
