#include "tests/window/WindowTestSupport.h"

#include "app/protocol/ProtocolPipe.h"
#include "frontends/window/EngineLink.h"
#include "frontends/window/Toolkit.h"
#include "platform/handles.h"
#include "platform/process.h"
#include "tests/support/VirtualDisplay.h"

#include <wx/app.h>
#include <wx/control.h>
#include <wx/image.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace qvutest {

namespace {

// One X server and one toolkit for the test program: the toolkit starts
// once per process.
class WindowEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        display_ = std::make_unique<VirtualDisplay>();
        ASSERT_TRUE(display_->Started()) << "Xvfb did not start";
        ASSERT_TRUE(StartToolkit("QVUUpdate"));
    }

private:
    std::unique_ptr<VirtualDisplay> display_;
};

// Registered before the tests run, for every test of the program.
::testing::Environment* const windowEnvironment =
    ::testing::AddGlobalTestEnvironment(new WindowEnvironment);

void PointAt(wxUIActionSimulator& input, wxWindow& target, const wxPoint& within) {
    target.Raise();
    input.MouseMove(target.ClientToScreen(within));
    Settle(50);
}

} // namespace

void WindowTest::SetUp() {
    UpdateRunTest::SetUp();
    // What the page view keeps goes into the test's own folders.
    for (const char* kind : {"cache", "data"})
        std::filesystem::create_directories(root.Folder() / kind);
    environment.Set("XDG_CACHE_HOME", (root.Folder() / "cache").string());
    environment.Set("XDG_DATA_HOME", (root.Folder() / "data").string());
    // The engine finds itself up to date: the server's copy of it has its
    // size and is older.
    const std::filesystem::path engine = ProgramPath("QVUUpdate");
    const std::filesystem::path copy = served / "ZoZuzaviz" / "QVUUpdate.exe";
    std::filesystem::resize_file(copy, std::filesystem::file_size(engine));
    std::filesystem::last_write_time(copy, std::filesystem::last_write_time(engine) -
                                               std::chrono::hours(1));
}

int WindowTest::RunEngine(const std::vector<std::string>& arguments,
                          const std::function<void(WindowSession&)>& eachTurn,
                          const std::function<void(wxWindow&)>& modalOpened) {
    std::string commandLine = "QVUUpdate --window-pipe";
    for (const std::string& argument : arguments)
        commandLine += " \"" + argument + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PeerPipes pipes;
    EXPECT_TRUE(pipes.Create(startup));
    PROCESS_INFORMATION started{};
    const std::string program = ProgramPath("QVUUpdate").string();
    EXPECT_TRUE(CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &startup, &started));
    pipes.ClosePeerEnds();
    CloseHandle(started.hThread);
    EngineLink link(pipes.ReleaseFromPeer(), pipes.ReleaseToPeer(), started.hProcess);
    engineProcessId = started.dwProcessId;
    int status = -1;
    {
        WindowSession running(link);
        session = &running;
        running.SetModalWindowHandler(modalOpened);
        EXPECT_TRUE(running.Start());
        const bool ended = SettleUntil(
            [&] {
                if (!running.HasEnded() && running.Window() != nullptr && eachTurn)
                    eachTurn(running);
                return running.HasEnded();
            },
            60000);
        EXPECT_TRUE(ended) << "the run did not end";
        if (ended)
            status = running.ExitStatus();
        session = nullptr;
        engineProcessId = 0;
    }
    return status;
}

void Settle(int ms) {
    SettleUntil([] { return false; }, ms);
}

bool SettleUntil(const std::function<bool()>& done, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        wxTheApp->Yield(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void PressKey(wxWindow& target, int keyCode) {
    wxUIActionSimulator input;
    PointAt(input, target, wxPoint(4, 4));
    input.Char(keyCode);
    Settle(50);
}

void ClickOn(wxWindow& target, const wxPoint& within) {
    wxUIActionSimulator input;
    PointAt(input, target, within);
    input.MouseClick();
    Settle(50);
}

void ClickOn(wxWindow& target) {
    const wxSize size = target.GetClientSize();
    ClickOn(target, wxPoint(size.x / 2, size.y / 2));
}

void SaveScreenshot(wxWindow& window, const std::string& name) {
    Settle(300);
    // QVU_SCREENSHOT_DIR, else screenshots/ beside the built programs' folder.
    const char* named = std::getenv("QVU_SCREENSHOT_DIR");
    const std::filesystem::path folder =
        named != nullptr ? std::filesystem::path(named)
                         : ProgramPath("QVUUpdate").parent_path().parent_path() / "screenshots";
    std::filesystem::create_directories(folder);
    // Straight from the X server's screen: what the user sees, boxes on top included.
    const wxRect area = window.GetScreenRect();
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    XImage* pixels = XGetImage(display, DefaultRootWindow(display), area.x, area.y,
                               static_cast<unsigned>(area.width),
                               static_cast<unsigned>(area.height), AllPlanes, ZPixmap);
    ASSERT_NE(pixels, nullptr);
    wxImage picture(area.width, area.height);
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) {
            const unsigned long pixel = XGetPixel(pixels, x, y);
            picture.SetRGB(x, y, (pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
        }
    }
    XDestroyImage(pixels);
    XCloseDisplay(display);
    const std::string path = (folder / (name + ".png")).string();
    EXPECT_TRUE(picture.SaveFile(path, wxBITMAP_TYPE_PNG)) << path;
}

bool LabelFits(wxWindow& window) {
    // Without the mnemonics' ampersands, as the label is drawn.
    const wxString drawn = wxControl::RemoveMnemonics(window.GetLabel());
    return window.GetTextExtent(drawn).GetWidth() <= window.GetClientSize().GetWidth();
}

} // namespace qvutest
