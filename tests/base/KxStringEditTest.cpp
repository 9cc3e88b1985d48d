#include "tests/base/KxStringTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace kxtest;

namespace {

std::string Bytes(const KxString& s) {
    return std::string(s, static_cast<std::size_t>(s.GetLength()));
}

TEST(KxStringEdit, CaseAndReversalLeaveCopiesAlone) {
    const KxString original("MiXed");
    KxString s(original);
    s.MakeUpper();
    EXPECT_STREQ(s, "MIXED");
    s.MakeLower();
    EXPECT_STREQ(s, "mixed");
    s.MakeReverse();
    EXPECT_STREQ(s, "dexim");
    EXPECT_STREQ(original, "MiXed");

    KxString empty;
    empty.MakeUpper();
    empty.MakeReverse();
    EXPECT_TRUE(OnEmptyBuffer(empty));
}

TEST(KxStringEdit, ReplaceCharacterWorksPastEmbeddedZeros) {
    KxString s("a\0a", 3);
    EXPECT_EQ(s.Replace('a', 'b'), 2);
    EXPECT_EQ(Bytes(s), std::string("b\0b", 3));

    const KxString original("abc");
    KxString same(original);
    EXPECT_EQ(same.Replace('a', 'a'), 0);
    EXPECT_EQ(Text(same), Text(original));
}

TEST(KxStringReplace, ReplacesFromLeftToRightAndCounts) {
    KxString s("banana");
    EXPECT_EQ(s.Replace("a", "xy"), 3);
    EXPECT_STREQ(s, "bxynxynxy");
    EXPECT_EQ(s.GetAllocLength(), 9);

    KxString noCase("banana");
    EXPECT_EQ(noCase.ReplaceNoCase("NA", "-"), 2);
    EXPECT_STREQ(noCase, "ba--");

    KxString keepsCase("Hello hello");
    EXPECT_EQ(keepsCase.ReplaceNoCase("LL", "ll"), 2);
    EXPECT_STREQ(keepsCase, "Hello hello");

    KxString overlapping("aaaa");
    EXPECT_EQ(overlapping.Replace("aa", "a"), 2); // matches continue after each match
    EXPECT_STREQ(overlapping, "aa");
    EXPECT_EQ(overlapping.Replace("a", "aa"), 2); // inserted text is not searched again
    EXPECT_STREQ(overlapping, "aaaa");
}

TEST(KxStringReplace, BufferIsReusedOnlyWhenPrivateAndLargeEnough) {
    KxString s("banana");
    const char* buffer = s;
    EXPECT_EQ(s.Replace("an", "A"), 2);
    EXPECT_EQ(Text(s), buffer);
    EXPECT_STREQ(s, "bAAa");
    EXPECT_EQ(s.GetAllocLength(), 6);

    const KxString copy(s);
    EXPECT_EQ(s.Replace("A", ""), 2);
    EXPECT_STREQ(s, "ba");
    EXPECT_EQ(s.GetAllocLength(), 2);
    EXPECT_STREQ(copy, "bAAa");
}

TEST(KxStringReplace, NoMatchOrNoOldTextChangesNothing) {
    const KxString original("banana");
    KxString s(original);
    EXPECT_EQ(s.Replace("x", "y"), 0);
    EXPECT_EQ(s.Replace("", "y"), 0);
    EXPECT_EQ(s.Replace(nullptr, "y"), 0);
    EXPECT_EQ(s.ReplaceNoCase("X", "y"), 0);
    EXPECT_EQ(Text(s), Text(original));
    EXPECT_EQ(s.Replace("an", nullptr), 2);
    EXPECT_STREQ(s, "ba");
}

TEST(KxStringReplace, SearchesEverySegmentBetweenEmbeddedZeros) {
    KxString s("ab\0ab", 5);
    EXPECT_EQ(s.Replace("ab", "x"), 2);
    EXPECT_EQ(Bytes(s), std::string("x\0x", 3));

    KxString self("abc");
    EXPECT_EQ(self.Replace("b", static_cast<const char*>(self)), 1);
    EXPECT_STREQ(self, "aabcc");
}

TEST(KxStringEdit, RemoveDropsEveryMatchWithinTheLength) {
    KxString s("a-b\0-c", 6);
    EXPECT_EQ(s.Remove('-'), 2);
    EXPECT_EQ(Bytes(s), std::string("ab\0c", 4));
    EXPECT_EQ(s.Remove('z'), 0);
}

TEST(KxStringInsert, ClampsTheIndexAndAnswersTheNewLength) {
    KxString s("abc");
    EXPECT_EQ(s.Insert(10, 'Z'), 4);
    EXPECT_STREQ(s, "abcZ");
    EXPECT_EQ(s.GetAllocLength(), 4);
    EXPECT_EQ(s.Insert(-5, "12"), 6);
    EXPECT_STREQ(s, "12abcZ");
    EXPECT_EQ(s.Insert(2, "--"), 8);
    EXPECT_STREQ(s, "12--abcZ");
    EXPECT_EQ(s.Insert(1, ""), 8);
    EXPECT_EQ(s.Insert(1, nullptr), 8);
    EXPECT_EQ(s.Insert(0, static_cast<const char*>(s) + 6), 10);
    EXPECT_STREQ(s, "cZ12--abcZ");

    KxString room("ab");
    const char* buffer = room.GetBuffer(5);
    room.Insert(1, 'x');
    EXPECT_EQ(Text(room), buffer);
    EXPECT_STREQ(room, "axb");
}

TEST(KxStringDelete, AnswersTheLengthBefore) {
    KxString s("abcde");
    EXPECT_EQ(s.Delete(1, 2), 5);
    EXPECT_STREQ(s, "ade");
    EXPECT_EQ(s.GetAllocLength(), 5);
    EXPECT_EQ(s.Delete(0, 0), 3);
    EXPECT_EQ(s.Delete(-4, 1), 3);
    EXPECT_STREQ(s, "de");
    EXPECT_EQ(s.Delete(2), 2);
    EXPECT_EQ(s.Delete(1, 50), 2); // cut to the end of the text
    EXPECT_STREQ(s, "d");
}

TEST(KxStringTrim, WhiteSpaceCharacterAndSet) {
    KxString s(" \t abc d \n");
    s.TrimRight();
    EXPECT_STREQ(s, " \t abc d");
    s.TrimLeft();
    EXPECT_STREQ(s, "abc d");
    EXPECT_EQ(s.GetLength(), 5);

    KxString x("xxaxbxx");
    x.TrimLeft('x');
    x.TrimRight('x');
    EXPECT_STREQ(x, "axb");

    KxString set("-+a+b+-");
    set.TrimLeft("+-");
    set.TrimRight("-+");
    EXPECT_STREQ(set, "a+b");
    set.TrimLeft("");
    set.TrimLeft(nullptr);
    set.TrimRight(nullptr);
    EXPECT_STREQ(set, "a+b");

    KxString all("   ");
    all.TrimRight();
    EXPECT_TRUE(all.IsEmpty());
}

TEST(KxStringTrim, WorksOnTheZeroTerminatedTextAndLeavesCopiesAlone) {
    KxString s("  a\0b ", 6);
    s.TrimRight(); // the text ends at the zero: no trailing run
    EXPECT_EQ(s.GetLength(), 6);
    s.TrimLeft();
    EXPECT_EQ(Bytes(s), std::string("a\0b ", 4));

    const KxString original(" a ");
    KxString copy(original);
    copy.TrimLeft();
    copy.TrimRight();
    EXPECT_STREQ(copy, "a");
    EXPECT_STREQ(original, " a ");
}

TEST(KxStringEdit, CodePageConversionsKeepTheTextButUnshare) {
    const KxString original("caf\xc3\xa9");
    KxString s(original);
    s.CharToOemA();
    EXPECT_NE(Text(s), Text(original));
    EXPECT_STREQ(s, "caf\xc3\xa9");
    s.OemToCharA();
    EXPECT_STREQ(s, "caf\xc3\xa9");
}

} // namespace
