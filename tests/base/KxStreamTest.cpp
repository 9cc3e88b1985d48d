#include "base/KxStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace {

std::string Text(const unsigned char* block, std::uint32_t size) {
    return std::string(reinterpret_cast<const char*>(block), size);
}

TEST(KXMemReadTest, DeliversWhatIsLeftThenZero) {
    const char data[] = "abcdefgh";
    KXMemRead reader(data, 8);
    char buffer[10] = {};
    ASSERT_EQ(reader.stRead(buffer, 4), 4u);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(reader.stRead(buffer, 10), 4u);
    EXPECT_EQ(std::string(buffer, 4), "efgh");
    EXPECT_EQ(reader.stRead(buffer, 10), 0u);
}

TEST(KXMemReadTest, CopyReadsOnIndependentlyFromTheSamePosition) {
    const char data[] = "abcdef";
    KXMemRead reader(data, 6);
    char buffer[6] = {};
    reader.stRead(buffer, 2);
    KXMemRead copy = reader;
    ASSERT_EQ(copy.stRead(buffer, 6), 4u);
    EXPECT_EQ(std::string(buffer, 4), "cdef");
    ASSERT_EQ(reader.stRead(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 'c');
}

class KXMemWriteTest : public ::testing::Test {
protected:
    ~KXMemWriteTest() override { delete[] block; }

    unsigned char* block = nullptr;
    std::uint32_t size = 0;
};

TEST(KXMemWriteStartTest, EmptiesTheCallersVariables) {
    unsigned char previous[4] = {};
    unsigned char* block = previous;
    std::uint32_t size = 4;
    KXMemWrite writer(&block, &size);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(size, 0u);
}

TEST_F(KXMemWriteTest, AppendsEachWriteToTheCallersBlock) {
    KXMemWrite writer(&block, &size);
    EXPECT_EQ(writer.stWrite("abc", 3), 0u);
    EXPECT_EQ(writer.stWrite("defgh", 5), 0u);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(Text(block, size), "abcdefgh");
}

TEST_F(KXMemWriteTest, EmptyOrNullWritesChangeNothing) {
    KXMemWrite writer(&block, &size);
    writer.stWrite("ab", 2);
    const unsigned char* before = block;
    EXPECT_EQ(writer.stWrite("xyz", 0), 0u);
    EXPECT_EQ(writer.stWrite(nullptr, 3), 0u);
    EXPECT_EQ(block, before);
    EXPECT_EQ(Text(block, size), "ab");
}

TEST_F(KXMemWriteTest, CopiesAppendToTheSameBlock) {
    KXMemWrite writer(&block, &size);
    writer.stWrite("ab", 2);
    KXMemWrite copy = writer;
    copy.stWrite("cd", 2);
    writer.stWrite("ef", 2);
    EXPECT_EQ(Text(block, size), "abcdef");
}

TEST_F(KXMemWriteTest, WriteBeyondFourGigabytesIsRefusedAndKeepsTheBlock) {
    KXMemWrite writer(&block, &size);
    writer.stWrite("ab", 2);
    size = UINT32_MAX - 1; // as if the block were that large: the check comes first
    EXPECT_THROW(writer.stWrite("cd", 2), std::length_error);
    size = 2;
    EXPECT_EQ(Text(block, size), "ab");
}

TEST(KxStreamExceptionTest, CarriesItsCodeAndTheFixedMessage) {
    try {
        throw KxStreamException(-6);
    } catch (const KxStreamException& e) {
        EXPECT_EQ(e.Code(), -6);
        EXPECT_STREQ(e.Message(), "Zlib-Fehler");
    }
}

} // namespace
