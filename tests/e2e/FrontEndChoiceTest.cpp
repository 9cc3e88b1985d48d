#include "tests/e2e/UpdateMachine.h"
#include "tests/support/VirtualDisplay.h"

#include <optional>

namespace {

enum class Display { None, Running, Unreachable };

struct FrontEndCase {
    const char* name;
    Display display;
    bool consoleSwitch;
    bool askedByUser; // run as if with sudo by the desktop's user
    bool window;      // the run shows the window, not the console
    const char* why;  // what the engine says when it runs at the console instead
};

#ifdef QVU_WITH_WINDOW
constexpr bool kWindowBuilt = true;
#else
constexpr bool kWindowBuilt = false;
#endif

class FrontEndChoiceTest : public qvutest::UpdateMachineTest,
                           public ::testing::WithParamInterface<FrontEndCase> {};

// The window when a display is there, --console is not given and a desktop
// user asked for the run (the window is never shown as root), the console
// otherwise, saying why; either way an unattended /autostart run ends with
// the installer.
TEST_P(FrontEndChoiceTest, AutostartRunsToTheInstaller) {
    qvutest::ScopedEnvironment environment;
    environment.Unset("DISPLAY");
    environment.Unset("WAYLAND_DISPLAY");
    std::optional<qvutest::VirtualDisplay> display;
    if (GetParam().display == Display::Running) {
        display.emplace();
        ASSERT_TRUE(display->Started());
    } else if (GetParam().display == Display::Unreachable) {
        environment.Set("DISPLAY", ":4093");
    }
    InstallOlvin5();
    ServePackage(300000);
    if (GetParam().askedByUser) {
        ASSERT_TRUE(ShowWindowAsDesktopUser());
    }
    console = GetParam().consoleSwitch;

    const qvutest::ProgramRun run = RunUpdate({"/autostart"}, "");
    ASSERT_FALSE(run.timedOut) << run.output << run.errors;
    EXPECT_EQ(run.exitStatus, qvutest::kInstallerStarted) << run.output << run.errors;
    EXPECT_NE(InstallerRecord(), "");
    const bool printedDialog = run.output.find("Quorvane Zelvo Update, version 4.2.4") == 0;
    EXPECT_EQ(printedDialog, !(GetParam().window && kWindowBuilt)) << run.output;
    const std::string why = kWindowBuilt ? GetParam().why : "";
    const bool toldWhy = !why.empty() && run.errors.find(why) != std::string::npos;
    EXPECT_EQ(toldWhy, !why.empty()) << run.errors;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrontEndChoiceTest,
    ::testing::Values(FrontEndCase{"WindowOnTheDisplay", Display::Running, false, true, true, ""},
                      FrontEndCase{"ConsoleAskedFor", Display::Running, true, true, false, ""},
                      FrontEndCase{"ConsoleWithoutDisplay", Display::None, false, true, false, ""},
                      // Root with a display but nobody who asked: not the window as root.
                      FrontEndCase{"ConsoleForRootAlone", Display::Running, false, false, false,
                                   "runs at the console: no desktop user asked for it"},
                      // The toolkit cannot start: the console takes over.
                      FrontEndCase{"ConsoleWhenTheDisplayFails", Display::Unreachable, false, true,
                                   false, "the display cannot be opened"}),
    [](const auto& info) { return std::string(info.param.name); });

// pkexec hands no display on: the engine it starts from a shell runs at
// the console and says where the window is.
TEST_F(FrontEndChoiceTest, PkexecFromAShellRunsAtTheConsoleAndSaysWhy) {
    qvutest::ScopedEnvironment environment;
    environment.Unset("DISPLAY");
    environment.Unset("WAYLAND_DISPLAY");
    InstallOlvin5();
    ServePackage(30000);
    console = false;
    const qvutest::ProgramRun run = RunUpdate({"/autostart"}, "", {{"PKEXEC_UID", "1000"}});
    EXPECT_EQ(run.exitStatus, qvutest::kInstallerStarted) << run.errors;
    EXPECT_NE(run.errors.find("pkexec passes no display on"), std::string::npos) << run.errors;
}

} // namespace
