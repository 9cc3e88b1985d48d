#include "tests/base/KxStringTestSupport.h"

#include <gtest/gtest.h>

#include <climits>

using namespace kxtest;

namespace {

TEST(KxStringCompare, CompareGivesTheSignByUnsignedBytes) {
    const KxString s("abc");
    EXPECT_EQ(s.Compare("abd"), -1);
    EXPECT_EQ(s.Compare("abb"), 1);
    EXPECT_EQ(s.Compare("abc"), 0);
    EXPECT_EQ(s.Compare("ab"), 1);
    EXPECT_EQ(KxString("\xe9").Compare("z"), 1);
}

TEST(KxStringCompare, CompareNoCaseGivesTheDifferenceOfTheLoweredCharacters) {
    EXPECT_EQ(KxString("ABC").CompareNoCase("abc"), 0);
    EXPECT_EQ(KxString("abz").CompareNoCase("ABA"), 'z' - 'a');
    EXPECT_EQ(KxString("AB").CompareNoCase("abc"), -'c');
    EXPECT_EQ(KxString("Ab").Collate("Ab"), 0);
    EXPECT_LT(KxString("Ab").Collate("ab"), 0); // C locale: byte order
    EXPECT_EQ(KxString("ABC").CollateNoCase("abc"), 0);
}

TEST(KxStringCompare, OperatorsCompareUpToTheFirstZero) {
    const KxString a("apple");
    const KxString b("banana");
    EXPECT_TRUE(a == KxString("apple"));
    EXPECT_TRUE(a == "apple");
    EXPECT_TRUE("apple" == a);
    EXPECT_TRUE(a != b);
    EXPECT_TRUE(a != "Apple");
    EXPECT_TRUE("Apple" != a);
    EXPECT_TRUE(a < b);
    EXPECT_TRUE(a < "b");
    EXPECT_TRUE("a" < a);
    EXPECT_TRUE(b > a);
    EXPECT_TRUE(b > "a");
    EXPECT_TRUE("c" > b);
    EXPECT_TRUE(a <= a);
    EXPECT_TRUE(a <= "apple");
    EXPECT_TRUE("apple" <= a);
    EXPECT_TRUE(b >= a);
    EXPECT_TRUE(b >= "banana");
    EXPECT_TRUE("banana" >= b);
    EXPECT_TRUE(KxString("a\0b", 3) == "a");
}

TEST(KxStringConcat, PlusGivesExactlyTheCombinedLength) {
    const KxString ab("ab");
    const KxString results[] = {ab + KxString("cd"), ab + "cd", "ab" + KxString("cd")};
    for (const KxString& s : results) {
        EXPECT_STREQ(s, "abcd");
        EXPECT_EQ(s.GetAllocLength(), 4);
    }
    EXPECT_STREQ(ab + 'c', "abc");
    EXPECT_STREQ('x' + ab, "xab");
    const KxString zero = ab + '\0';
    EXPECT_EQ(zero.GetLength(), 3);
    EXPECT_EQ(zero.GetAllocLength(), 3);
    EXPECT_TRUE(OnEmptyBuffer(KxString() + ""));
}

TEST(KxStringConcat, AppendingReallocatesToExactlyTheNewLength) {
    KxString s("ab");
    s += 'c';
    EXPECT_STREQ(s, "abc");
    EXPECT_EQ(s.GetAllocLength(), 3);
    s += "de";
    EXPECT_EQ(s.GetAllocLength(), 5);
    s += KxString("f");
    EXPECT_STREQ(s, "abcdef");
    EXPECT_EQ(s.GetAllocLength(), 6);
    s += "";
    EXPECT_EQ(s.GetAllocLength(), 6);
}

TEST(KxStringConcat, AppendingInPlaceNeedsAPrivateBufferWithRoom) {
    KxString s("ab");
    char* buffer = s.GetBuffer(10);
    s += "cd";
    EXPECT_EQ(Text(s), buffer);

    const KxString copy(s);
    s += "e";
    EXPECT_STREQ(copy, "abcd");
    EXPECT_STREQ(s, "abcde");
    EXPECT_EQ(s.GetAllocLength(), 5);

    s += s;
    EXPECT_STREQ(s, "abcdeabcde");
}

TEST(KxStringExtract, MidLeftRightWithOutOfRangeArguments) {
    const KxString s("abc");
    EXPECT_STREQ(s.Mid(2), "c");
    EXPECT_TRUE(OnEmptyBuffer(s.Mid(5, 1)));
    EXPECT_TRUE(OnEmptyBuffer(s.Mid(3)));
    EXPECT_STREQ(s.Mid(-1, 2), "ab");
    EXPECT_STREQ(s.Mid(1, INT_MAX), "bc");
    EXPECT_TRUE(OnEmptyBuffer(s.Mid(1, -2)));
    EXPECT_TRUE(OnEmptyBuffer(s.Left(-1)));
    EXPECT_STREQ(s.Left(2), "ab");
    EXPECT_STREQ(s.Left(9), "abc");
    EXPECT_STREQ(s.Right(2), "bc");
    EXPECT_STREQ(s.Right(9), "abc");
    EXPECT_TRUE(OnEmptyBuffer(s.Right(-1)));
}

TEST(KxStringExtract, ResultsAreNewExactBuffers) {
    KxString s("abc");
    s.GetBuffer(20);
    const KxString whole = s.Mid(0);
    EXPECT_NE(Text(whole), Text(s));
    EXPECT_EQ(whole.GetAllocLength(), 3);
    EXPECT_EQ(s.Left(2).GetAllocLength(), 2);
}

TEST(KxStringExtract, Spans) {
    const KxString s("aabxa");
    EXPECT_STREQ(s.SpanIncluding("ab"), "aab");
    EXPECT_TRUE(s.SpanIncluding("z").IsEmpty());
    EXPECT_STREQ(s.SpanExcluding("x"), "aab");
    EXPECT_STREQ(s.SpanExcluding("q"), "aabxa");
    EXPECT_STREQ(s.SpanExcluding(nullptr), "aabxa");
}

TEST(KxStringSearch, FindRulesAtTheEnd) {
    const KxString s("abc");
    EXPECT_EQ(s.Find(""), 0);
    EXPECT_EQ(s.Find("", 3), 3);
    EXPECT_EQ(s.Find("", 4), -1);
    EXPECT_EQ(s.Find('c', 3), -1);
    EXPECT_EQ(s.Find('c', 2), 2);
    EXPECT_EQ(s.Find('\0'), 3);
    EXPECT_EQ(s.Find('a', -5), 0); // a negative start counts as 0
    EXPECT_EQ(KxString().Find('\0'), -1);
}

TEST(KxStringSearch, FindsTextsAndCharacters) {
    const KxString s("banana");
    EXPECT_EQ(s.Find('n'), 2);
    EXPECT_EQ(s.Find('n', 3), 4);
    EXPECT_EQ(s.Find('z'), -1);
    EXPECT_EQ(s.Find("na"), 2);
    EXPECT_EQ(s.Find("na", 3), 4);
    EXPECT_EQ(s.Find("nab"), -1);
    EXPECT_EQ(s.ReverseFind('a'), 5);
    EXPECT_EQ(s.ReverseFind('z'), -1);
    EXPECT_EQ(s.FindOneOf("xn"), 2);
    EXPECT_EQ(s.FindOneOf("xyz"), -1);
    EXPECT_EQ(KxString("a\0b", 3).Find('b'), -1); // the search ends at the first zero
}

} // namespace
