#include "localization/XMLLocalizer.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/StandardErrorCapture.h"
#include "tests/support/TempRoot.h"
#include "tests/support/TranslationsXml.h"
#include "tracelog/internal/TraceLogState.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using qvutest::Item;
using qvutest::TranslationsXml;

const std::string failureLine = "XMLLocalizer -> Initialization of XML failed!";

// The trace log's line with its header, as the debugger output shows it.
bool IsFailureTrace(const std::string& trace) {
    const std::string start = "[" + std::to_string(getpid()) + "] ";
    const std::string end = "\t" + failureLine + "\n";
    return trace.rfind(start, 0) == 0 && trace.size() > end.size() &&
           trace.compare(trace.size() - end.size(), end.size(), end) == 0 &&
           trace.find(failureLine) == trace.size() - end.size() + 1;
}

// Runs a parse with the debugger output switched on and answers what it wrote;
// the trace log writes its file into a temporary current folder.
class LoadTest : public ::testing::Test {
protected:
    LoadTest() : user_("en_US.UTF-8") {
        tracelog::ResetTraceLogState();
        std::filesystem::current_path(root_.Folder());
        environment_.Set("QVU_DEBUG_OUTPUT", "1");
        EXPECT_TRUE(localizer.ParseXml(TranslationsXml(Item("A", "<English>a</English>")).c_str()));
    }

    // The result of ParseXml, and the diagnostics it wrote into trace.
    bool Parse(const std::string& text) {
        qvutest::StandardErrorCapture capture;
        const bool result = localizer.ParseXml(text.c_str());
        trace = capture.Text();
        return result;
    }

    ~LoadTest() override { tracelog::ResetTraceLogState(); }

    XMLLocalizer localizer;
    std::string trace;

private:
    qvutest::TempRoot root_;
    qvutest::ScopedEnvironment environment_;
    qvutest::UserLanguage user_;
};

TEST_F(LoadTest, DocumentThatDoesNotParseIsTracedAndChangesNothing) {
    const char* broken[] = {
        "",
        "   ",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>",
        "<!-- only a comment -->",
        "<TRANSLATIONS><TRANSLATE ItemId=\"A\"><English>b</English></TRANSLATIONS>",
        "<TRANSLATIONS>",
        "<TRANSLATIONS/><TRANSLATIONS/>",
        "plain text",
        // Not well-formed, though a lenient parser reads them.
        "<TRANSLATIONS/>tail",
        "lead<TRANSLATIONS/>",
        "<TRANSLATIONS><T ItemId=\"A\" ItemId=\"B\"/></TRANSLATIONS>",
        "<TRANSLATIONS><T ItemId=\"A\"><English>&nobody;</English></T></TRANSLATIONS>",
        "<TRANSLATIONS><T ItemId=\"A\"><English>this & that</English></T></TRANSLATIONS>",
        "<TRANSLATIONS><T ItemId=\"A&B\"/></TRANSLATIONS>",
        "<TRANSLATIONS><T ItemId=\"A\"><English>&#0;</English></T></TRANSLATIONS>",
    };
    for (const char* text : broken) {
        EXPECT_FALSE(Parse(text)) << text;
        EXPECT_TRUE(IsFailureTrace(trace)) << text << "\n" << trace;
    }
    EXPECT_EQ(localizer.GetText("A"), "a");
}

TEST_F(LoadTest, FailureLineGoesToTheTraceLogFile) {
    EXPECT_FALSE(Parse("plain text"));
    const std::string log = tracelog::State().localLogPath;
    ASSERT_FALSE(log.empty());
    const std::string text = qvutest::ReadFile(std::filesystem::current_path() / log);
    EXPECT_NE(text.find("\t" + failureLine + "\r\n"), std::string::npos) << text;
}

TEST_F(LoadTest, RootOfAnotherNameIsRefusedSilently) {
    EXPECT_FALSE(Parse(TranslationsXml(Item("A", "<English>b</English>"), "TRANSLATION")));
    EXPECT_EQ(trace, "");
    EXPECT_EQ(localizer.GetText("A"), "a") << "the table is unchanged";
}

TEST_F(LoadTest, MissingResourceFailsWithoutTrace) {
    EXPECT_EQ(localizer.ResourceName, "TRANSLATE");
    qvutest::StandardErrorCapture capture;
    EXPECT_FALSE(localizer.Load()) << "the tests embed no resource of that name";
    localizer.ResourceName = "IDR_MISSING";
    EXPECT_FALSE(localizer.Load());
    EXPECT_EQ(capture.Text(), "");
    EXPECT_EQ(localizer.GetText("A"), "a");
}

TEST_F(LoadTest, EmbeddedResourceIsFoundByItsName) {
    localizer.ResourceName = "IDR_STRINGS";
    EXPECT_TRUE(localizer.Load());
    EXPECT_EQ(localizer.GetText("APP_START"), "Start");
    EXPECT_EQ(localizer.GetText("A"), "a") << "loading adds to the table";
}

TEST_F(LoadTest, DocumentTypeExpandsNothingAndReadsNoFile) {
    const qvutest::TempRoot temp;
    const std::string secretPath = (temp.Folder() / "secret.txt").string();
    qvutest::WriteFile(secretPath, "SECRET");
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<!DOCTYPE TRANSLATIONS [\n"
        "  <!ENTITY file SYSTEM \"file://" +
        secretPath +
        "\">\n"
        "  <!ENTITY word \"expanded\">\n"
        "  <!ENTITY % remote SYSTEM \"http://127.0.0.1:9/evil.dtd\"> %remote;\n"
        "]>\n"
        "<TRANSLATIONS>" +
        Item("B", "<English>&file;|&word;</English>") + "</TRANSLATIONS>";
    EXPECT_TRUE(Parse(text));
    EXPECT_EQ(localizer.GetText("B"), "&file;|&word;") << "entities stay as written";
}

TEST_F(LoadTest, CharacterAndPredefinedReferencesAreResolved) {
    EXPECT_TRUE(Parse("<TRANSLATIONS><T ItemId=\"B&amp;C\"><English>&#65;&#x42;&lt;&quot;"
                      "</English></T></TRANSLATIONS>"));
    EXPECT_EQ(localizer.GetText("B&C"), "AB<\"");
}

TEST_F(LoadTest, DeclaredEncodingIsIgnoredForUtf8Text) {
    EXPECT_TRUE(Parse("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
                      "<TRANSLATIONS><T ItemId=\"B\"><English>Grüße</English></T></TRANSLATIONS>"));
    EXPECT_EQ(localizer.GetText("B"), "Grüße");
}

} // namespace
