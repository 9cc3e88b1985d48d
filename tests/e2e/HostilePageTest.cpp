// The page beside the dialog comes from outside: its links, frames and
// scripts, and the address given with /display=, may ask the update manager
// to start a program, to store what they send, or to show a local file. The
// real program, in its window on an X server of the test's own, with the
// page's links clicked as a user clicks them, never does any of these.
#include "tests/e2e/UpdateMachine.h"
#include "tests/e2e/XInput.h"
#include "tests/support/OtherAccount.h"
#include "tests/support/VirtualDisplay.h"

#include <chrono>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool WaitFor(const std::function<bool()>& done, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

class HostilePageTest : public qvutest::UpdateMachineTest {
protected:
    void SetUp() override {
        UpdateMachineTest::SetUp();
        if (IsSkipped())
            return;
        InstallOlvin5();
        ServePackage(30000);
    }

    // The window's run as the desktop's user, waiting for Start beside page
    // (a /display= address); what the window notes goes to standard error.
    std::unique_ptr<qvutest::StartedProgram> ShowInWindow(const std::string& page) {
        EXPECT_TRUE(ShowWindowAsDesktopUser());
        return StartUpdate({"/display=" + page}, "", {{"QVU_DEBUG_OUTPUT", "1"}});
    }

    // A page whose one link, in a new window, fills it: any click on the page follows it.
    std::string ServeLinkPage(const std::string& address) {
        Serve("pages/link.html", "<html><body style='margin:0'><a href='" + address +
                                     "' target='_blank' style='display:block;width:100vw;"
                                     "height:100vh'>link</a></body></html>");
        return Url("/pages/link.html");
    }
};

#ifdef QVU_WITH_WINDOW

struct LinkCase {
    const char* name;
    bool web; // an http address: it goes to the browser
};

class HostilePageLinkTest : public HostilePageTest,
                            public ::testing::WithParamInterface<LinkCase> {};

// A link for a new window that names a program, by drive letter with either
// slash or by a drive mapped to the file system's root, starts nothing: only
// http(s) addresses go to the browser, and the rest is noted. The web link
// shows that the clicks reach the page.
TEST_P(HostilePageLinkTest, NewWindowLinksOpenOnlyWebAddresses) {
    const qvutest::VirtualDisplay display;
    ASSERT_TRUE(display.Started());
    root.MapDrive('Z', "/");
    // A program the desktop's user could start, leaving a mark where it can.
    const fs::path marks = root.Folder() / "marks";
    fs::create_directories(marks);
    fs::permissions(marks, fs::perms::all);
    const fs::path marker = marks / "started";
    const fs::path program = driveC / "pwn";
    qvutest::WriteFile(program, "#!/bin/sh\ntouch '" + marker.string() + "'\n");
    fs::permissions(program, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    qvutest::LetEveryonePass(driveC, root.Folder());
    const std::map<std::string, std::string> links{{"DriveSlash", "c:/pwn"},
                                                   {"DriveBackslash", "C:\\pwn"},
                                                   {"MappedRoot", "z:" + program.string()},
                                                   {"Web", Url("/pages/notes.html")}};
    const std::string link = links.at(GetParam().name);
    const auto run = ShowInWindow(ServeLinkPage(link));

    // The note or the browser's record tells that the click was handled; the
    // page takes clicks only once it is laid out, so it is clicked until then.
    const auto handled = [&] {
        return run->ErrorsSoFar().find("only http and https addresses") != std::string::npos ||
               !qvutest::ReadFile(browserRecord).empty();
    };
    const bool clicked = WaitFor(
        [&] {
            qvutest::ClickIntoWindow("Quorvane Zelvo Update", 0.5, 0.6);
            return WaitFor(handled, 1000);
        },
        25000);
    ASSERT_TRUE(clicked) << run->OutputSoFar() << run->ErrorsSoFar();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(fs::exists(marker)) << "the link started " << link;
    if (GetParam().web) {
        EXPECT_EQ(qvutest::ReadFile(browserRecord), link + "\n");
    } else {
        EXPECT_EQ(qvutest::ReadFile(browserRecord), "");
        EXPECT_NE(run->ErrorsSoFar().find("new window of the page not opened"), std::string::npos);
    }
    EXPECT_TRUE(run->Running()) << "the dialog stays";
}

INSTANTIATE_TEST_SUITE_P(Links, HostilePageLinkTest,
                         ::testing::Values(LinkCase{"DriveSlash", false},
                                           LinkCase{"DriveBackslash", false},
                                           LinkCase{"MappedRoot", false}, LinkCase{"Web", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct AttachmentCase {
    const char* name;
    const char* page; // its "%s" is the attachment's address
};

class HostilePageAttachmentTest : public HostilePageTest,
                                  public ::testing::WithParamInterface<AttachmentCase> {};

// An attachment that never ends, asked for by a hidden frame or by the page's
// script without a click, is refused: nothing lands in the user's folders.
TEST_P(HostilePageAttachmentTest, StoresNothing) {
    const qvutest::VirtualDisplay display;
    ASSERT_TRUE(display.Started());
    Serve("pages/endless.bin", std::string(2 << 20, 'x'));
    const fs::path requests = root.Folder() / "requests.log";
    qvutest::LocalServer attachments(served,
                                     {"--attachment", "--only", "/pages/endless.bin",
                                      "--trickle-after", "1048576", "--log", requests.string()});
    ASSERT_TRUE(attachments.Started());
    char page[512];
    std::snprintf(page, sizeof page, GetParam().page,
                  attachments.Url("/pages/endless.bin").c_str());
    Serve("pages/attachment.html", page);
    const auto run = ShowInWindow(Url("/pages/attachment.html"));

    ASSERT_TRUE(WaitFor(
        [&] { return qvutest::ReadFile(requests).find("/pages/endless.bin") != std::string::npos; },
        20000))
        << run->OutputSoFar() << run->ErrorsSoFar();
    // Time for a mebibyte from 127.0.0.1 to land, were it taken.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const std::string sent(64, 'x');
    for (const auto& entry : fs::recursive_directory_iterator(desktop->Home())) {
        EXPECT_FALSE(entry.is_regular_file() &&
                     (entry.path().filename().string().find("endless") != std::string::npos ||
                      qvutest::ReadFile(entry.path()).substr(0, sent.size()) == sent))
            << "stored " << entry.path();
    }
    EXPECT_TRUE(run->Running());
}

INSTANTIATE_TEST_SUITE_P(
    Pages, HostilePageAttachmentTest,
    ::testing::Values(
        AttachmentCase{"HiddenFrame",
                       "<html><body><iframe style='display:none' src='%s'></iframe></body></html>"},
        AttachmentCase{"ScriptLocation",
                       "<html><body><script>location='%s'</script></body></html>"}),
    [](const auto& info) { return std::string(info.param.name); });

// /display= with a local file: the window shows the product's own page.
TEST_F(HostilePageTest, LocalFileOnTheCommandLineShowsTheProductsPage) {
    const qvutest::VirtualDisplay display;
    ASSERT_TRUE(display.Started());
    const fs::path requests = root.Folder() / "requests.log";
    qvutest::LocalServer web(served, {"--log", requests.string()});
    ASSERT_TRUE(web.Started());
    ASSERT_TRUE(ShowWindowAsDesktopUser());
    const auto run =
        StartUpdate({"/display=file:///etc/hostname"}, "", {{"QVU_WEB_SERVER", web.Url("")}});
    EXPECT_TRUE(WaitFor(
        [&] {
            return qvutest::ReadFile(requests).find("?URL=olvin5-versionhistory-en") !=
                   std::string::npos;
        },
        20000))
        << qvutest::ReadFile(requests) << run->ErrorsSoFar();
}

#endif

#ifdef QVU_WITH_WINDOW

struct ZoomCase {
    const char* name;
    int dotsPerInch;      // the X server's
    const char* gdkScale; // the desktop's integer scale
    int zoom;
};

class PageZoomTest : public HostilePageTest, public ::testing::WithParamInterface<ZoomCase> {};

// The page's zoom is the screen's resolution over 96, with the desktop's
// integer scale counted once: the toolkit already draws at it. (The
// toolkit takes the resolution from the desktop's settings, not from the X
// server's -dpi, so a scale of 2 shows as 192 dots per inch.)
TEST_P(PageZoomTest, FollowsTheScreenNotTheScaleTwice) {
    const qvutest::VirtualDisplay display(GetParam().dotsPerInch);
    ASSERT_TRUE(display.Started());
    qvutest::ScopedEnvironment scale;
    scale.Set("GDK_SCALE", GetParam().gdkScale);
    const auto run = ShowInWindow(Url("/pages/notes.html"));
    const std::string expected = "page shown at " + std::to_string(GetParam().zoom) + "%";
    EXPECT_TRUE(WaitFor(
        [&] { return run->ErrorsSoFar().find("page shown at") != std::string::npos; }, 20000));
    EXPECT_NE(run->ErrorsSoFar().find(expected), std::string::npos) << run->ErrorsSoFar();
}

INSTANTIATE_TEST_SUITE_P(Screens, PageZoomTest,
                         ::testing::Values(ZoomCase{"Plain", 96, "1", 100},
                                           ZoomCase{"ScaledTwice", 192, "2", 100}),
                         [](const auto& info) { return std::string(info.param.name); });

#endif

// At the console, the page the window would show: /display= replaces the
// product's page only with a web address; anything else is noted and passed over.
TEST_F(HostilePageTest, DisplayAddressesOtherThanWebPagesAreNotShown) {
    const std::string product = Url("/?URL=olvin5-versionhistory-en");
    const std::pair<std::string, std::string> cases[] = {
        {"file:///etc/hostname", product},
        {"c:/pwn", product},
        {"javascript:alert(1)", product},
        {"about:blank", product},
        {"HTTPS://127.0.0.1:9/notes", "https://127.0.0.1:9/notes"},
    };
    for (const auto& [display, shown] : cases) {
        const qvutest::ProgramRun run = RunUpdate({"/display=" + display}, "cancel\n");
        EXPECT_NE(run.output.find("Web page: " + shown + "\n"), std::string::npos)
            << display << "\n"
            << run.output;
    }
    EXPECT_NE(TraceLogText().find("Address of /display= not opened"), std::string::npos);
}

} // namespace
