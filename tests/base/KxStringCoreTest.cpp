#include "tests/base/KxStringTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace kxtest;

namespace {

TEST(KxStringConstruction, EmptyTextsShareTheStaticEmptyBuffer) {
    const char* nullText = nullptr;
    const KxString strings[] = {KxString(),          KxString(""),           KxString(nullText),
                                KxString('x', 0),    KxString('x', -3),      KxString("abc", 0),
                                KxString("abc", -1), KxString(std::string())};
    for (const KxString& s : strings) {
        EXPECT_TRUE(OnEmptyBuffer(s));
        EXPECT_EQ(Refs(s), -2);
        EXPECT_EQ(s.GetAllocLength(), 0);
        EXPECT_TRUE(s.IsEmpty());
        EXPECT_STREQ(s, "");
    }
}

TEST(KxStringConstruction, BuffersAreExactAndKeepEmbeddedZeros) {
    const KxString text("abc");
    EXPECT_EQ(text.GetLength(), 3);
    EXPECT_EQ(text.GetAllocLength(), 3);
    EXPECT_EQ(Refs(text), 1);

    const KxString repeated('x', 4);
    EXPECT_STREQ(repeated, "xxxx");
    EXPECT_EQ(repeated.GetAllocLength(), 4);

    const KxString zeros("a\0b", 3);
    EXPECT_EQ(zeros.GetLength(), 3);
    EXPECT_EQ(zeros[1], '\0');
    EXPECT_EQ(zeros[2], 'b');
    EXPECT_EQ(zeros[3], '\0');

    const unsigned char bytes[] = {0xe9, 'x', 0};
    EXPECT_STREQ(KxString(bytes), "\xe9x");
    EXPECT_EQ(KxString(std::string("q\0r", 3)).GetLength(), 3);
    EXPECT_STREQ(KxString(std::string_view("view")), "view");
}

TEST(KxStringSharing, CopiesShareOneBufferUntilOneChanges) {
    KxString first("abc");
    KxString second(first);
    EXPECT_EQ(Text(first), Text(second));
    EXPECT_EQ(Refs(first), 2);

    second.SetAt(0, 'X');
    EXPECT_STREQ(first, "abc");
    EXPECT_STREQ(second, "Xbc");
    EXPECT_NE(Text(first), Text(second));
    EXPECT_EQ(Refs(first), 1);
    EXPECT_EQ(Refs(second), 1);
    EXPECT_EQ(second.GetAllocLength(), 3);
}

TEST(KxStringSharing, CopiesOfTheEmptyStringAreNeverCounted) {
    const KxString empty;
    const KxString copy(empty);
    EXPECT_TRUE(OnEmptyBuffer(copy));
    EXPECT_EQ(Refs(empty), -2);

    // Assigning the empty string copies no text: a private buffer is kept,
    // a shared one is let go.
    KxString assigned("x");
    assigned = empty;
    EXPECT_TRUE(assigned.IsEmpty());
    EXPECT_EQ(assigned.GetAllocLength(), 1);
    const KxString holder("y");
    KxString sharing(holder);
    sharing = empty;
    EXPECT_TRUE(OnEmptyBuffer(sharing));
    EXPECT_EQ(Refs(holder), 1);
}

TEST(KxStringAssignment, SharesOtherStringsAndIgnoresItself) {
    const KxString source("text");
    KxString target("other");
    target = source;
    EXPECT_EQ(Text(target), Text(source));
    EXPECT_EQ(Refs(source), 2);

    const char* before = target;
    target = target;
    EXPECT_EQ(Text(target), before);
    EXPECT_EQ(Refs(source), 2);
}

TEST(KxStringAssignment, TextReusesAPrivateBufferThatIsLargeEnough) {
    KxString s("abcdef");
    const char* buffer = s;
    s = "xy";
    EXPECT_EQ(Text(s), buffer);
    EXPECT_STREQ(s, "xy");
    EXPECT_EQ(s.GetLength(), 2);
    EXPECT_EQ(s.GetAllocLength(), 6);

    s = "longer text";
    EXPECT_EQ(s.GetAllocLength(), 11);

    KxString copy(s);
    s = "ab";
    EXPECT_STREQ(copy, "longer text");
    EXPECT_EQ(s.GetAllocLength(), 2);
}

TEST(KxStringAssignment, OtherSources) {
    KxString s("abc");
    s = static_cast<const char*>(s) + 1; // a text inside its own buffer
    EXPECT_STREQ(s, "bc");
    s = 'z';
    EXPECT_STREQ(s, "z");
    s = std::string("std");
    EXPECT_STREQ(s, "std");
    const unsigned char bytes[] = {'u', 0};
    s = bytes;
    EXPECT_STREQ(s, "u");
    s = static_cast<const char*>(nullptr);
    EXPECT_TRUE(s.IsEmpty());
}

TEST(KxStringBuffer, GetBufferGrowsExactlyAndKeepsTheText) {
    KxString s("abc");
    char* buffer = s.GetBuffer(10);
    EXPECT_EQ(s.GetAllocLength(), 10);
    EXPECT_EQ(s.GetLength(), 3);
    EXPECT_STREQ(buffer, "abc");
    std::strcpy(buffer, "hello");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 5);
    EXPECT_EQ(s.GetBuffer(4), buffer); // large enough and private: returned as is

    s.FreeExtra();
    EXPECT_EQ(s.GetAllocLength(), 5);
    EXPECT_STREQ(s, "hello");

    EXPECT_STREQ(s.GetBufferSetLength(2), "he");
    EXPECT_EQ(s.GetLength(), 2);
    EXPECT_EQ(s.GetAllocLength(), 5);
}

TEST(KxStringBuffer, GetBufferOnASharedStringTakesAPrivateCopy) {
    const KxString shared("abcdef");
    KxString s(shared);
    char* buffer = s.GetBuffer(2);
    EXPECT_NE(buffer, Text(shared));
    EXPECT_EQ(s.GetAllocLength(), 6); // never below the length
    buffer[0] = 'X';
    s.ReleaseBuffer(3);
    EXPECT_STREQ(s, "Xbc");
    EXPECT_STREQ(shared, "abcdef");
}

TEST(KxStringBuffer, ReleaseBufferStaysInsideTheBuffer) {
    KxString s("abc");
    char* buffer = s.GetBuffer(4);
    std::memset(buffer, 'x', 5); // no terminator inside the capacity
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 4);
    s.ReleaseBuffer(100);
    EXPECT_EQ(s.GetLength(), 4);

    KxString empty;
    empty.GetBuffer(0);
    empty.ReleaseBuffer();
    empty.GetBufferSetLength(0);
    EXPECT_TRUE(OnEmptyBuffer(empty));
}

TEST(KxStringLock, ALockedBufferIsNeverShared) {
    const KxString original("abc");
    KxString locked(original);
    char* buffer = locked.LockBuffer();
    EXPECT_NE(buffer, Text(original));
    EXPECT_EQ(Refs(locked), -1);
    EXPECT_EQ(Refs(original), 1);

    const KxString copy(locked);
    EXPECT_NE(Text(copy), buffer);
    EXPECT_STREQ(copy, "abc");
    KxString assigned;
    assigned = locked;
    EXPECT_NE(Text(assigned), buffer);

    // Assigning to a locked string copies the text into the locked buffer.
    locked = original;
    EXPECT_EQ(Text(locked), buffer);
    EXPECT_EQ(Refs(locked), -1);

    locked.UnlockBuffer();
    EXPECT_EQ(Refs(locked), 1);
    const KxString sharing(locked);
    EXPECT_EQ(Text(sharing), buffer);
}

TEST(KxStringLock, EmptyAndSharedStringsStayConsistent) {
    KxString empty;
    empty.LockBuffer();
    EXPECT_TRUE(OnEmptyBuffer(empty));
    empty.UnlockBuffer();
    EXPECT_EQ(Refs(empty), -2);

    const KxString first("abc");
    KxString second(first);
    second.UnlockBuffer(); // not locked: the count stays
    EXPECT_EQ(Refs(first), 2);
}

TEST(KxStringEmpty, ReleasesExceptLockedOrAlreadyEmpty) {
    KxString s("abc");
    s.Empty();
    EXPECT_TRUE(OnEmptyBuffer(s));

    KxString locked("abc");
    const char* buffer = locked.LockBuffer();
    locked.Empty();
    EXPECT_EQ(Text(locked), buffer);
    EXPECT_EQ(locked.GetLength(), 0);
    EXPECT_EQ(locked.GetAllocLength(), 3);

    KxString cleared("abc");
    cleared.GetBufferSetLength(0);
    cleared.Empty();
    EXPECT_EQ(cleared.GetAllocLength(), 3);
}

TEST(KxStringThreads, SharedBuffersSurviveConcurrentCopiesAndReleases) {
    const KxString original("shared between threads");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([original] {
            for (int i = 0; i < 2000; ++i) {
                KxString copy(original);
                KxString other;
                other = copy;
                if (i % 3 == 0)
                    other.SetAt(0, 'S');
                EXPECT_EQ(copy[0], 's');
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(Refs(original), 1);
    EXPECT_STREQ(original, "shared between threads");
}

} // namespace
