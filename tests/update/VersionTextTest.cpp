#include "update/UpdateDescription.h"

#include <gtest/gtest.h>

namespace {

TEST(VersionTextTest, ShownVersionIsTheShortTextOnlyForAZeroLastNumber) {
    EXPECT_EQ(ChooseShownVersion("5.1.0.0", "5.1"), "5.1");
    EXPECT_EQ(ChooseShownVersion("5.1.2.1234", "5.1"), "5.1.2.1234");
    EXPECT_EQ(ChooseShownVersion("5", "x"), "5") << "without a dot the whole text is the number";
    EXPECT_EQ(ChooseShownVersion("5.1.0.0", ""), "") << "no VersionShort leaves the field empty";
    EXPECT_EQ(ChooseShownVersion("5.1.0.x", "5.1"), "5.1") << "no digits read as 0";
    EXPECT_EQ(ChooseShownVersion("5.1.0.", "5.1"), "5.1");
    EXPECT_EQ(ChooseShownVersion("5.1.0. -000", "5.1"), "5.1") << "blanks and sign as atoi";
    EXPECT_EQ(ChooseShownVersion("5.1.0. +7z", "5.1"), "5.1.0. +7z");
    EXPECT_EQ(ChooseShownVersion("5.1.0.0 1", "5.1"), "5.1") << "atoi stops at the blank";
}

TEST(VersionTextTest, ShownVersionSurvivesNumbersBeyondTheRangeOfInt) {
    EXPECT_EQ(ChooseShownVersion("5.1.0.4294967296", "5.1"), "5.1.0.4294967296");
    EXPECT_EQ(ChooseShownVersion("5.1.0.000000000000000000000", "5.1"), "5.1");
}

TEST(VersionTextTest, NumbersDecideFromTheFirstToTheFourth) {
    EXPECT_EQ(CompareVersions("4.10.0.0", "4.9.9.9"), 1) << "numbers, not characters";
    EXPECT_EQ(CompareVersions("4.9.9.9", "4.10.0.0"), -1);
    EXPECT_EQ(CompareVersions("5.1.2.1234", "5.1.2.1234"), 0);
    EXPECT_EQ(CompareVersions("5.1.2.1235", "5.1.2.1234"), 1);
    EXPECT_EQ(CompareVersions("3.9.9.9", "4.0.0.0"), -1);
}

TEST(VersionTextTest, MissingNumbersCountAsMinusOne) {
    EXPECT_EQ(CompareVersions("4.2", "4.2.0"), -1);
    EXPECT_EQ(CompareVersions("4.2.0", "4.2"), 1);
    EXPECT_EQ(CompareVersions("abc", ""), 0) << "neither can be parsed";
    EXPECT_EQ(CompareVersions("", "0"), -1);
    EXPECT_EQ(CompareVersions("4.2.-1.-1", "4.2"), 0) << "an explicit -1 equals a missing number";
    EXPECT_EQ(CompareVersions("4.2.1.5.9", "4.2.1.5"), 0) << "a fifth number is not read";
}

TEST(VersionTextTest, TextIsReadLikeScanf) {
    EXPECT_EQ(CompareVersions(" 4. 2.\t3.+4", "4.2.3.4"), 0) << "blanks and a sign before numbers";
    EXPECT_EQ(CompareVersions("4 .2", "4"), 0) << "a blank before the dot ends the parse";
    EXPECT_EQ(CompareVersions("4.-2", "4.0"), -1);
    EXPECT_EQ(CompareVersions("4.2a.9", "4.2"), 0) << "parsing stops at the first misfit";
    EXPECT_EQ(CompareVersions("4.+.9", "4"), 0) << "a sign without digits reads nothing";
    EXPECT_EQ(CompareVersions("4..9", "4"), 0);
}

TEST(VersionTextTest, NumbersBeyondTheRangeOfIntSaturate) {
    EXPECT_EQ(CompareVersions("99999999999999999999", "2147483647"), 0);
    EXPECT_EQ(CompareVersions("-99999999999999999999", "-2147483648"), 0);
    EXPECT_EQ(CompareVersions("2147483648", "2147483646"), 1);
    EXPECT_EQ(CompareVersions("4.99999999999999999999", "4.2147483647.0"), -1);
}

} // namespace
