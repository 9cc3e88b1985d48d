#include "tests/e2e/UpdateMachine.h"
#include "tests/support/VirtualDisplay.h"

#include <optional>

namespace {

enum class Display { None, Running, Unreachable };

struct FrontEndCase {
    const char* name;
    Display display;
    bool consoleSwitch;
    bool window; // the run shows the window, not the console
};

#ifdef QVU_WITH_WINDOW
constexpr bool kWindowBuilt = true;
#else
constexpr bool kWindowBuilt = false;
#endif

class FrontEndChoiceTest : public qvutest::UpdateMachineTest,
                           public ::testing::WithParamInterface<FrontEndCase> {};

// The window when a display is there and --console is not given, the console
// otherwise; either way an unattended /autostart run ends with the installer.
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
    console = GetParam().consoleSwitch;

    const qvutest::ProgramRun run = RunUpdate({"/autostart"}, "");
    ASSERT_FALSE(run.timedOut) << run.output << run.errors;
    EXPECT_EQ(run.exitStatus, qvutest::kInstallerStarted) << run.output << run.errors;
    EXPECT_NE(InstallerRecord(), "");
    const bool printedDialog = run.output.find("Quorvane Zelvo Update, version 4.2.4") == 0;
    EXPECT_EQ(printedDialog, !(GetParam().window && kWindowBuilt)) << run.output;
    const bool toldWhy = run.errors.find("the display cannot be opened") != std::string::npos;
    EXPECT_EQ(toldWhy, GetParam().display == Display::Unreachable && kWindowBuilt) << run.errors;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrontEndChoiceTest,
    ::testing::Values(FrontEndCase{"WindowOnTheDisplay", Display::Running, false, true},
                      FrontEndCase{"ConsoleAskedFor", Display::Running, true, false},
                      FrontEndCase{"ConsoleWithoutDisplay", Display::None, false, false},
                      // The toolkit cannot start: the console takes over.
                      FrontEndCase{"ConsoleWhenTheDisplayFails", Display::Unreachable, false,
                                   false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
