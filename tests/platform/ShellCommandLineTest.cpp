#include "platform/shell/shell_command_line.h"

#include <gtest/gtest.h>

using platform::SplitCommandLine;
using Arguments = std::vector<std::string>;

TEST(ShellCommandLine, BlanksSeparateAndQuotesGroup) {
    EXPECT_EQ(SplitCommandLine(""), Arguments{});
    EXPECT_EQ(SplitCommandLine(" \t "), Arguments{});
    EXPECT_EQ(SplitCommandLine("  /i\tpackage.msi   /qb+ "),
              (Arguments{"/i", "package.msi", "/qb+"}));
    EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\a b.msi\" x"),
              (Arguments{"C:\\Program Files\\a b.msi", "x"}));
    // Quotes may open and close inside a word; an empty quoted text is an argument.
    EXPECT_EQ(SplitCommandLine("ab\"c d\"e \"\" f"), (Arguments{"abc de", "", "f"}));
    // An unclosed quote runs to the end.
    EXPECT_EQ(SplitCommandLine("\"a b"), (Arguments{"a b"}));
}

TEST(ShellCommandLine, BackslashesCountOnlyBeforeQuotes) {
    // Not before a quote: literal.
    EXPECT_EQ(SplitCommandLine("C:\\Data\\\\x\\"), (Arguments{"C:\\Data\\\\x\\"}));
    // 2n+1 before a quote: n backslashes and a literal quote.
    EXPECT_EQ(SplitCommandLine("a\\\"b d\\\\\\\"e"), (Arguments{"a\"b", "d\\\"e"}));
    // 2n before a quote: n backslashes, and the quote toggles quoting.
    EXPECT_EQ(SplitCommandLine("\"C:\\Logs\\\\\" next"), (Arguments{"C:\\Logs\\", "next"}));
    EXPECT_EQ(SplitCommandLine("a\\\\\\\\\"b c\""), (Arguments{"a\\\\b c"}));
}
