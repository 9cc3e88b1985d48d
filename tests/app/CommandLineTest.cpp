#include "app/QVUUpdateApp.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(StartupSwitches, NoArgumentsSetNothing) {
    const StartupSwitches switches = ReadStartupSwitches("");
    EXPECT_FALSE(switches.autostart);
    EXPECT_EQ(switches.displayAddress, "");
}

TEST(StartupSwitches, AutostartNeedsItsBlankOrTheLineEnd) {
    EXPECT_TRUE(ReadStartupSwitches("/autostart").autostart);
    EXPECT_TRUE(ReadStartupSwitches("/AUTOSTART").autostart);
    EXPECT_TRUE(ReadStartupSwitches("/AutoStart --console").autostart);
    EXPECT_TRUE(ReadStartupSwitches("x/autostart y").autostart);
    EXPECT_FALSE(ReadStartupSwitches("/autostarts").autostart);
    EXPECT_FALSE(ReadStartupSwitches("/autostart--console").autostart);
    EXPECT_FALSE(ReadStartupSwitches("/autostart\t").autostart);
    EXPECT_FALSE(ReadStartupSwitches("autostart").autostart);
}

TEST(StartupSwitches, DisplayAddressRunsToTheNextBlankInLowerCase) {
    const StartupSwitches both = ReadStartupSwitches("/display=Page.HTM /autostart ");
    EXPECT_TRUE(both.autostart);
    EXPECT_EQ(both.displayAddress, "page.htm");
    const StartupSwitches swapped = ReadStartupSwitches("/autostart /display=Page.HTM");
    EXPECT_TRUE(swapped.autostart);
    EXPECT_EQ(swapped.displayAddress, "page.htm");
    EXPECT_EQ(ReadStartupSwitches("--console /DISPLAY=http://Example.com/A?b=C").displayAddress,
              "http://example.com/a?b=c");
}

TEST(StartupSwitches, DisplayAddressEdges) {
    EXPECT_EQ(ReadStartupSwitches("/display= /autostart").displayAddress, "");
    EXPECT_EQ(ReadStartupSwitches("/display=").displayAddress, "");
    EXPECT_EQ(ReadStartupSwitches("/display=first /display=second").displayAddress, "first");
    // Quotes are text like any other: a quoted address keeps them and ends at its first blank.
    EXPECT_EQ(ReadStartupSwitches("/display=\"my page.htm\"").displayAddress, "\"my");
    EXPECT_EQ(ReadStartupSwitches("\"/display=my page.htm\"").displayAddress, "my");
    EXPECT_EQ(ReadStartupSwitches("/display=a\tb c").displayAddress, "a\tb");
}

TEST(StartupSwitches, OnlyAsciiLettersAreLowered) {
    // "Übersicht" in UTF-8 and "ÄÖ" in code page 1252 pass byte for byte.
    EXPECT_EQ(ReadStartupSwitches("/display=\xC3\x9C"
                                  "bersicht.HTM")
                  .displayAddress,
              "\xC3\x9C"
              "bersicht.htm");
    EXPECT_EQ(ReadStartupSwitches("/display=\xC4\xD6X").displayAddress, "\xC4\xD6x");
}

TEST(StartupSwitches, HugeCommandLine) {
    const std::string address(100000, 'A');
    const StartupSwitches switches = ReadStartupSwitches("/autostart /display=" + address);
    EXPECT_TRUE(switches.autostart);
    EXPECT_EQ(switches.displayAddress, std::string(100000, 'a'));
    EXPECT_FALSE(ReadStartupSwitches(std::string(100000, '/')).autostart);
}

std::string Join(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "/opt/quorvane/QVUUpdate");
    return JoinArguments(static_cast<int>(arguments.size()), arguments.data());
}

TEST(JoinArguments, QuotesOnlyWhatWindowsWouldSplit) {
    EXPECT_EQ(Join({}), "");
    EXPECT_EQ(Join({"/autostart", "/display=page.htm", "--console"}),
              "/autostart /display=page.htm --console");
    EXPECT_EQ(Join({"C:\\Program Files\\", "", "a\tb", "x\\y"}),
              "\"C:\\Program Files\\\\\" \"\" \"a\tb\" x\\y");
    EXPECT_EQ(Join({"say \"hi\\\"", "a\"b"}), "\"say \\\"hi\\\\\\\"\" \"a\\\"b\"");
}

TEST(JoinArguments, SwitchesReadAsOnWindows) {
    const StartupSwitches switches =
        ReadStartupSwitches(Join({"/Display=my page.htm", "/AUTOSTART", "--console"}));
    EXPECT_TRUE(switches.autostart);
    EXPECT_EQ(switches.displayAddress, "my");
    // The switch is the last argument: the blank the reading appends completes it.
    EXPECT_TRUE(ReadStartupSwitches(Join({"--console", "/autostart"})).autostart);
}

} // namespace
