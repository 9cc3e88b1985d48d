#include "localization/XMLLocalizer.h"
#include "platform/dialog_controls.h"
#include "tests/support/RetrievalTestSupport.h"
#include "tests/support/TranslationsXml.h"
#include "update/UpdateDescription.h"

namespace {

using qvutest::Item;
using qvutest::LocalServer;
using qvutest::MessageBoxRecorder;

// The update dialog's offered-version label, which the evaluation fills.
constexpr int kOfferedVersion = 1003;

constexpr const char* kNotFound = "Quorvane encountered an error while trying to access the "
                                  "download site. Please try again later!";

std::string English(const std::string& text) {
    return "<English>" + text + "</English>";
}

std::string Description(const std::string& formatVersion, const std::string& products,
                        const std::string& end = "[QVU.end]\r\nver=3.1\r\n") {
    return "[QVU.ini]\r\nver=" + formatVersion + "\r\n" + products + end;
}

class EvaluateUpdateDescriptionTest : public qvutest::RetrievalTest {
protected:
    EvaluateUpdateDescriptionTest() {
        localizer.ParseXml(
            qvutest::TranslationsXml(
                Item("APP_UPDATE_INIT", English("Initializing Internet Connection ...")) +
                Item("APP_UPDATE_NOTFOUND", English("Update File Not Found!")) +
                Item("ERROR_QVU_NOTFOUND", English(kNotFound)) +
                Item("ERROR_QVU_WRONGVERSION", English("Program %s, file %s.")) +
                Item("ERROR_QVU_INVALIDPRODUCT",
                     English("The selected prodict cannot be updated by this application!")))
                .c_str());
    }

    // Serves the description file and evaluates it for product.
    bool Evaluate(const std::string& description, Product product = Zetra5) {
        Serve("QVU.ini", description);
        LocalServer server(served);
        EXPECT_TRUE(server.Started()) << server.FirstLine();
        UseServer(server);
        return EvaluateUpdateDescription(product, kSettingsFolder, localizer, window,
                                         kOfferedVersion, "QVUUpdate", offered, note);
    }

    std::string Label() const {
        char text[256] = {};
        GetDlgItemTextA(window, kOfferedVersion, text, sizeof text);
        return text;
    }

    void ExpectOneErrorBox(const std::string& text) const {
        EXPECT_EQ(Label(), "Update File Not Found!");
        const auto shown = boxes.Boxes();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, text);
        EXPECT_EQ(shown[0].caption, "QVUUpdate");
        EXPECT_EQ(shown[0].type, MB_ICONERROR | MB_OK);
    }

    const qvutest::UserLanguage english{"en_US.UTF-8"};
    XMLLocalizer localizer;
    const MessageBoxRecorder boxes;
    std::string offered;
    std::string note;
};

TEST_F(EvaluateUpdateDescriptionTest, OfferedReleaseIsStoredAndShownInTheProductsFormat) {
    const std::string description =
        Description("3.1", "[Olvin5]\r\nVersionLong=5.2.0.7\r\n"
                           "[Zetra5]\r\nVersionLong=5.1.0.0\r\nVersionShort=5.1\r\n");
    EXPECT_TRUE(Evaluate(description));
    EXPECT_EQ(Label(), "Quorvane Zetra 5.1 (Build 5.1.0.0)");
    EXPECT_EQ(offered, "5.1.0.0");
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(qvutest::ReadFile(SettingsFolder() / "Update" / "QVU.ini"), description);
}

TEST_F(EvaluateUpdateDescriptionTest, EmptyFileIsNotFound) {
    EXPECT_FALSE(Evaluate(""));
    ExpectOneErrorBox(kNotFound);
}

TEST_F(EvaluateUpdateDescriptionTest, ErrorPageOfTheServerIsStoredButNotFound) {
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    UseServer(server);
    EXPECT_FALSE(EvaluateUpdateDescription(Zetra5, kSettingsFolder, localizer, window,
                                           kOfferedVersion, "QVUUpdate", offered, note));
    ExpectOneErrorBox(kNotFound);
    EXPECT_EQ(qvutest::ReadFile(SettingsFolder() / "Update" / "QVU.ini"), "not found\n");
}

TEST_F(EvaluateUpdateDescriptionTest, UnreachableServerIsNotFound) {
    environment.Set("QVU_UPDATE_SERVER", qvutest::RefusedAddress(""));
    EXPECT_FALSE(EvaluateUpdateDescription(Zetra5, kSettingsFolder, localizer, window,
                                           kOfferedVersion, "QVUUpdate", offered, note));
    ExpectOneErrorBox(kNotFound);
}

TEST_F(EvaluateUpdateDescriptionTest, TenMegabytesOfTextWithoutSectionsIsNotFound) {
    std::string huge;
    while (huge.size() < (10u << 20))
        huge += "garbage=line without any section of the description file\r\n";
    EXPECT_FALSE(Evaluate(huge));
    ExpectOneErrorBox(kNotFound);
}

TEST_F(EvaluateUpdateDescriptionTest, ValidFileFollowedByMegabytesOfCommentsIsNotFoundNorKept) {
    std::string description = Description("3.1", "[Zetra5]\r\nVersionLong=5.1.0.0\r\n");
    while (description.size() < (3u << 20))
        description += "; a comment line that makes the file far longer than any real one\r\n";
    EXPECT_FALSE(Evaluate(description));
    ExpectOneErrorBox(kNotFound);
    EXPECT_LE(std::filesystem::file_size(SettingsFolder() / "Update" / "QVU.ini"),
              (1u << 20) + 8192u);
}

TEST_F(EvaluateUpdateDescriptionTest, BinaryGarbageIsNotFound) {
    EXPECT_FALSE(Evaluate(qvutest::PackageBytes(1 << 20)));
    ExpectOneErrorBox(kNotFound);
}

TEST_F(EvaluateUpdateDescriptionTest, OtherFormatVersionIsRefusedQuotingIt) {
    EXPECT_FALSE(Evaluate(Description("3.10", "[Zetra5]\r\nVersionLong=5.1.0.0\r\n")));
    ExpectOneErrorBox("Program 3.1, file 3.10.");
}

TEST_F(EvaluateUpdateDescriptionTest, FileCutBeforeItsEndIsRefusedQuotingNothing) {
    EXPECT_FALSE(Evaluate(Description("3.1", "[Zetra5]\r\nVersionLong=5.1.0.0\r\n", "")));
    ExpectOneErrorBox("Program 3.1, file .");
}

TEST_F(EvaluateUpdateDescriptionTest, ProductWithoutReleaseEmptiesTheLabelSilently) {
    EXPECT_FALSE(Evaluate(Description("3.1", "[Olvin5]\r\nVersionLong=5.2.0.7\r\n")));
    EXPECT_EQ(Label(), "");
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(EvaluateUpdateDescriptionTest, ProductOutsideTheCatalogueIsRefused) {
    EXPECT_FALSE(Evaluate(Description("3.1", "[---]\r\nVersionLong=5.2.0.7\r\n"), NoProduct));
    EXPECT_EQ(offered, "5.2.0.7");
    ExpectOneErrorBox("The selected prodict cannot be updated by this application!");
}

} // namespace
