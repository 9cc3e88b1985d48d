// QVUUpdate --help and --version: they print and end, whatever else the
// command line holds, and run no update.
#include "tests/e2e/ChildProcess.h"
#include "tests/support/TempRoot.h"

#include "update/SelfCheck.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

qvutest::ProgramRun RunQVUUpdate(const qvutest::TempRoot& root,
                                 const std::vector<std::string>& arguments) {
    // No update server is reachable: a run that went on would fail.
    return qvutest::RunProgram(
        qvutest::ProgramPath("QVUUpdate"), arguments,
        {{"QVU_UPDATE_SERVER", "http://127.0.0.1:9"}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, "",
        root.Folder() / "run");
}

TEST(ProgramInformation, HelpListsTheSwitchesAndExitStatuses) {
    qvutest::TempRoot root;
    const qvutest::ProgramRun run = RunQVUUpdate(root, {"/autostart", "--HELP", "--version"});
    EXPECT_EQ(run.exitStatus, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(run.output.rfind("Usage: QVUUpdate [/autostart] [/display=ADDRESS] [--console]\n", 0),
              0u)
        << run.output;
    for (const char* text : {"  /autostart ", "  /display=ADDRESS ", "  --console ", "  --help ",
                             "  --version ", "Exit status: 0 the installer was started, 1 ",
                             " 2 the run ended on an error or a refusal."})
        EXPECT_NE(run.output.find(text), std::string::npos) << text << "\n" << run.output;
    // Nothing of the machine was looked at or written.
    EXPECT_FALSE(fs::exists(root.Root() / "registry"));
}

TEST(ProgramInformation, VersionIsTheUpdateManagersOwn) {
    qvutest::TempRoot root;
    const qvutest::ProgramRun run = RunQVUUpdate(root, {"--Version", "/display=x"});
    EXPECT_EQ(run.exitStatus, 0) << run.errors;
    EXPECT_EQ(run.output,
              std::string("QVUUpdate (Quorvane Zelvo Update) ") + kUpdateManagerVersion + "\n");
    EXPECT_EQ(run.errors, "");
    EXPECT_FALSE(fs::exists(root.Root() / "registry"));
}

TEST(ProgramInformation, OnlyWholeArgumentsAskForIt) {
    // "--helpful" and a switch inside other text are ignored as before: the
    // run goes on and ends on the missing product.
    qvutest::TempRoot root;
    const qvutest::ProgramRun run = RunQVUUpdate(root, {"--console", "--helpful", "x--version"});
    EXPECT_EQ(run.exitStatus, 2) << run.output << run.errors;
    EXPECT_EQ(run.output.find("Usage:"), std::string::npos) << run.output;
}

// The engine runs as root and shows no outside content: neither it nor a
// library it loads is a window toolkit or a web engine.
TEST(ProgramInformation, EngineLoadsNoToolkitNorWebEngine) {
    qvutest::TempRoot root;
    const auto libraries = qvutest::RunProgram("/usr/bin/ldd", {qvutest::ProgramPath("QVUUpdate")},
                                               {}, "", root.Folder() / "ldd");
    ASSERT_EQ(libraries.exitStatus, 0) << libraries.errors;
    EXPECT_NE(libraries.output.find("libqvuplatform"), std::string::npos) << libraries.output;
    for (const char* toolkit : {"libwx", "libgtk", "libgdk", "libwebkit", "libjavascriptcore",
                                "libsoup", "libX11", "libwayland"})
        EXPECT_EQ(libraries.output.find(toolkit), std::string::npos) << toolkit;
}

} // namespace
