#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace fs = std::filesystem;

namespace {

class QvuVerdllTest : public ::testing::Test {
protected:
    // Runs qvu-verdll with the arguments and answers its exit status; its
    // output and error output go to files.
    int Run(const std::string& arguments) {
        const std::string command = "\"" + qvutest::ProgramPath("qvu-verdll").string() + "\" " +
                                    arguments + " >\"" + Path("output").string() + "\" 2>\"" +
                                    Path("errors").string() + "\"";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path Path(const std::string& name) const { return root.Folder() / name; }
    std::string Quoted(const std::string& name) const { return "\"" + Path(name).string() + "\""; }
    std::string Output() const { return qvutest::ReadFile(Path("output")); }
    std::string Errors() const { return qvutest::ReadFile(Path("errors")); }

    // Writes a DLL and answers what --show prints for it.
    std::string WriteAndShow(const std::string& options, const std::string& text) {
        EXPECT_EQ(Run(options + " \"" + text + "\" " + Quoted("out.dll")), 0) << Errors();
        EXPECT_EQ(Run("--show " + Quoted("out.dll")), 0) << Errors();
        return Output();
    }

    qvutest::TempRoot root;
};

TEST_F(QvuVerdllTest, WrittenVersionsShowAsGiven) {
    const struct {
        std::string options;
        std::string text;
        std::string shown;
    } cases[] = {
        {"", "4.0.1, 2345", "FileVersion: 4.0.1, 2345\nFixed: 4.0.1.2345\n"},
        {"", "5,1,2,1234", "FileVersion: 5,1,2,1234\nFixed: 5.1.2.1234\n"},
        {"", "7.2", "FileVersion: 7.2\nFixed: 7.2.0.0\n"},
        {"", "No version", "FileVersion: No version\nFixed: 0.0.0.0\n"},
        {"--fixed 6.1.7601.0", "6.1.7601.17514 (win7sp1)",
         "FileVersion: 6.1.7601.17514 (win7sp1)\nFixed: 6.1.7601.0\n"},
        {"--pe64 --fixed 10.0", "10.0.19041.1", "FileVersion: 10.0.19041.1\nFixed: 10.0.0.0\n"},
        {"--no-string", "3.8.4.0", "FileVersion: none\nFixed: 3.8.4.0\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options + " " + c.text);
        EXPECT_EQ(WriteAndShow(c.options, c.text), c.shown);
    }
}

TEST_F(QvuVerdllTest, WrittenDllsAreRecognisedByBinutils) {
    if (std::system("objdump --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "objdump is not installed";
    for (const auto& [option, format] :
         {std::pair{"", "pei-i386"}, std::pair{"--pe64", "pei-x86-64"}}) {
        ASSERT_EQ(Run(std::string(option) + " 1.0 " + Quoted("out.dll")), 0) << Errors();
        const std::string command = "objdump -p " + Quoted("out.dll") + " >" + Quoted("objdump");
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::string dump = qvutest::ReadFile(Path("objdump"));
        EXPECT_NE(dump.find("file format " + std::string(format)), std::string::npos) << dump;
        EXPECT_NE(dump.find("Type Table"), std::string::npos) << dump;
        EXPECT_NE(dump.find("ID: 0x000010"), std::string::npos) << dump;
    }
}

TEST_F(QvuVerdllTest, FilesWithoutVersionResourceFailToShow) {
    qvutest::WriteFile(Path("text.dll"), "not a library");
    EXPECT_EQ(Run("--show " + Quoted("text.dll")), 1);
    EXPECT_NE(Errors().find("no version resource"), std::string::npos);
    EXPECT_EQ(Run("--show " + Quoted("missing.dll")), 1);
}

TEST_F(QvuVerdllTest, BadArgumentsFailWithUsage) {
    for (const std::string& arguments :
         {std::string(""), std::string("1.0"), "1.0 " + Quoted("a.dll") + " extra",
          "--fixed 1.2.x 1.0 " + Quoted("a.dll"), "--fixed 70000 1.0 " + Quoted("a.dll"),
          "--fixed 1.2. 1.0 " + Quoted("a.dll"), "--bogus 1.0 " + Quoted("a.dll"),
          std::string("--show"), "--show " + Quoted("a.dll") + " more"}) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(Run(arguments), 2);
        EXPECT_NE(Errors().find("usage: qvu-verdll"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(Path("a.dll")));
    EXPECT_EQ(Run("\"99999.1\" " + Quoted("a.dll")), 1);
    EXPECT_NE(Errors().find("--fixed"), std::string::npos);
    EXPECT_EQ(Run("--help"), 0);
    EXPECT_NE(Output().find("usage: qvu-verdll"), std::string::npos);
}

} // namespace
