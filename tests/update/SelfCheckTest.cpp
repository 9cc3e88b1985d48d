#include "update/SelfCheck.h"
#include "localization/XMLLocalizer.h"
#include "platform/http_session.h"
#include "tests/support/RetrievalTestSupport.h"
#include "tests/support/TestCertificate.h"
#include "tests/support/TranslationsXml.h"

#include <chrono>
#include <ctime>

namespace {

namespace fs = std::filesystem;
using qvutest::LocalServer;
using qvutest::MessageBoxRecorder;

constexpr const char* kNewerText = "A newer version of the Quorvane Zelvo Update is available. "
                                   "Please download the latest update program from our website.";

class SelfCheckTest : public qvutest::RetrievalTest {
protected:
    SelfCheckTest() {
        localizer.ParseXml(qvutest::TranslationsXml(
                               qvutest::Item("ERROR_NEWERUPDATEMANAGERAVAILABLE",
                                             std::string("<English>") + kNewerText + "</English>"))
                               .c_str());
    }

    // The server's copy of the program: size bytes, modified seconds after
    // the running program's file.
    void ServeProgram(const char* name, std::uintmax_t size, int seconds) const {
        const fs::path copy = served / "ZoZuzaviz" / name;
        qvutest::WriteFile(copy, "");
        fs::resize_file(copy, size);
        fs::last_write_time(copy, fs::last_write_time(program) + std::chrono::seconds(seconds));
    }

    bool Check(bool beta) {
        return CheckForNewerUpdateManager(beta, localizer, window, "QVUUpdate", autostart);
    }

    // A time as the beta question shows it (UTC).
    static std::string Shown(fs::file_time_type time) {
        const std::time_t seconds = std::chrono::system_clock::to_time_t(
            std::chrono::time_point_cast<std::chrono::system_clock::duration>(
                std::chrono::file_clock::to_sys(time)));
        std::tm utc{};
        gmtime_r(&seconds, &utc);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
        return text;
    }

    const qvutest::UserLanguage english{"en_US.UTF-8"};
    XMLLocalizer localizer;
    const fs::path program = fs::read_symlink("/proc/self/exe");
    const std::uintmax_t programSize = fs::file_size(program);
    bool autostart = true;
};

TEST_F(SelfCheckTest, SameSizeCountsAsNewerOnlyMoreThanThirtySecondsLater) {
    ServeProgram("QVUUpdate.exe", programSize, 20);
    {
        LocalServer server(served);
        ASSERT_TRUE(server.Started()) << server.FirstLine();
        UseServer(server);
        const MessageBoxRecorder boxes;
        EXPECT_FALSE(Check(false));
        EXPECT_TRUE(boxes.Boxes().empty());
        EXPECT_TRUE(autostart);
    }
    ServeProgram("QVUUpdate.exe", programSize, 31);
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    UseServer(server);
    const MessageBoxRecorder boxes;
    EXPECT_TRUE(Check(false));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, kNewerText);
    EXPECT_EQ(boxes.Boxes()[0].caption, "QVUUpdate");
    EXPECT_EQ(boxes.Boxes()[0].type, MB_ICONEXCLAMATION | MB_OK);
    EXPECT_FALSE(autostart);
}

TEST_F(SelfCheckTest, DifferentSizeIsNewerWhateverTheTime) {
    ServeProgram("QVUUpdate.exe", programSize + 1, -3600);
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    UseServer(server);
    const MessageBoxRecorder boxes;
    EXPECT_TRUE(Check(false));
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

TEST_F(SelfCheckTest, AnswerWithoutHeadersOrNotFoundPassesSilently) {
    ServeProgram("QVUUpdate.exe", programSize + 1, 3600);
    const std::vector<std::vector<std::string>> misbehaviours{
        {"--no-content-length", "--no-last-modified"},
        {"--content-length", "abc", "--no-last-modified"},
        {"--content-length", "-5", "--no-last-modified"},
        {"--status", "404"}};
    for (const auto& arguments : misbehaviours) {
        SCOPED_TRACE(arguments[0] + " " + arguments[1]);
        LocalServer server(served, arguments);
        ASSERT_TRUE(server.Started()) << server.FirstLine();
        UseServer(server);
        const MessageBoxRecorder boxes;
        EXPECT_FALSE(Check(false));
        EXPECT_TRUE(boxes.Boxes().empty());
        EXPECT_TRUE(autostart);
    }
}

TEST_F(SelfCheckTest, BetaBuildAsksAboutItsOwnCopyAndNoKeepsTheRunWithoutAutostart) {
    ServeProgram("QVUUpdateBeta.exe", programSize + 1, -3600);
    LocalServer server(served);
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    UseServer(server);
    const MessageBoxRecorder no(IDNO);
    EXPECT_FALSE(Check(true));
    EXPECT_FALSE(autostart);
    ASSERT_EQ(no.Boxes().size(), 1u);
    const auto modified = fs::last_write_time(program);
    EXPECT_EQ(no.Boxes()[0].text,
              "A newer version of the Zelvo Update Manager is available!\n* Size (local: " +
                  std::to_string(programSize) +
                  " bytes / remote: " + std::to_string(programSize + 1) +
                  " bytes)\n* Time Stamp (local: " + Shown(modified + std::chrono::seconds(30)) +
                  " / remote: " + Shown(modified - std::chrono::seconds(3600)) +
                  ")\n\nDo you want to download this version now? (Beta only)");
    EXPECT_EQ(no.Boxes()[0].type, MB_YESNO | MB_ICONEXCLAMATION);

    const MessageBoxRecorder yes(IDYES);
    EXPECT_TRUE(Check(true));
}

TEST_F(SelfCheckTest, UpdateServerAddressedOverHttpsIsAskedOverHttps) {
    ServeProgram("QVUUpdate.exe", programSize + 1, -3600);
    const qvutest::TestCertificate authority(root.Folder() / "authority");
    ASSERT_TRUE(authority.Made());
    environment.Set("QVU_CA_FILE", authority.CertificateFile().string());
    LocalServer server(served, authority.ServerArguments());
    ASSERT_TRUE(server.Started()) << server.FirstLine();
    UseServer(server);
    ASSERT_EQ(UpdateServerBaseAddress().rfind("https://", 0), 0u);
    const MessageBoxRecorder boxes;
    EXPECT_TRUE(Check(false));
    EXPECT_EQ(boxes.Boxes().size(), 1u);
}

TEST_F(SelfCheckTest, UnreachableServerRaisesTheInternetError) {
    environment.Set("QVU_UPDATE_SERVER", qvutest::RefusedAddress(""));
    const MessageBoxRecorder boxes;
    try {
        Check(false);
        ADD_FAILURE() << "no exception";
    } catch (const CInternetException& error) {
        char text[256] = {};
        EXPECT_TRUE(error.GetErrorMessage(text, sizeof text));
        EXPECT_STRNE(text, "");
    }
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_TRUE(autostart);
}

} // namespace
