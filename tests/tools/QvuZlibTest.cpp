#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace fs = std::filesystem;

namespace {

class QvuZlibTest : public ::testing::Test {
protected:
    // Runs qvu-zlib with the arguments, its error output going to a file;
    // answers whether it succeeded.
    bool Run(const std::string& arguments) {
        const std::string command = "\"" + qvutest::ProgramPath("qvu-zlib").string() + "\" " +
                                    arguments + " >/dev/null 2>\"" + Path("errors").string() + "\"";
        return std::system(command.c_str()) == 0;
    }

    fs::path Path(const std::string& name) const { return root.Folder() / name; }
    std::string Quoted(const std::string& name) const { return "\"" + Path(name).string() + "\""; }
    std::string Errors() const { return qvutest::ReadFile(Path("errors")); }

    qvutest::TempRoot root;
};

TEST_F(QvuZlibTest, CompressedFileDecompressesToTheOriginal) {
    std::string text;
    for (int i = 0; i < 500; ++i)
        text += "line " + std::to_string(i) + "\n";
    qvutest::WriteFile(Path("plain.txt"), text);
    ASSERT_TRUE(Run("-c " + Quoted("plain.txt") + " " + Quoted("plain.z"))) << Errors();
    EXPECT_LT(fs::file_size(Path("plain.z")), text.size());
    ASSERT_TRUE(Run("-d " + Quoted("plain.z") + " " + Quoted("restored.txt"))) << Errors();
    EXPECT_EQ(qvutest::ReadFile(Path("restored.txt")), text);
    ASSERT_TRUE(Run("-d " + Quoted("plain.z") + " " + Quoted("head.txt") + " 12")) << Errors();
    EXPECT_EQ(qvutest::ReadFile(Path("head.txt")), text.substr(0, 12));
}

TEST_F(QvuZlibTest, BadArgumentsFailWithUsage) {
    qvutest::WriteFile(Path("in.txt"), "x");
    for (const std::string& arguments :
         {std::string(""), "-x " + Quoted("in.txt") + " " + Quoted("out"), "-c " + Quoted("in.txt"),
          "-c " + Quoted("in.txt") + " " + Quoted("out") + " 5",
          "-d " + Quoted("in.txt") + " " + Quoted("out") + " many"}) {
        SCOPED_TRACE(arguments);
        EXPECT_FALSE(Run(arguments));
        EXPECT_NE(Errors().find("usage: qvu-zlib"), std::string::npos);
    }
}

TEST_F(QvuZlibTest, UnreadableInputFailsWithItsName) {
    EXPECT_FALSE(Run("-c " + Quoted("missing.txt") + " " + Quoted("out")));
    EXPECT_NE(Errors().find("cannot read"), std::string::npos);
    EXPECT_NE(Errors().find("missing.txt"), std::string::npos);
    EXPECT_FALSE(fs::exists(Path("out")));
}

} // namespace
