#include "frontends/window/UpdateWindow.h"
#include "frontends/window/PageView.h"
#include "frontends/window/ProductChoiceWindow.h"
#include "frontends/window/TemplateLayout.h"
#include "tests/window/WindowTestSupport.h"

#include "app/DialogTemplates.h"
#include "app/SelectProductDlg.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/panel.h>
#include <wx/stattext.h>

#include <csignal>

#include <filesystem>

namespace {

using qvutest::ClickOn;
using qvutest::PressKey;
using qvutest::SaveScreenshot;

class UpdateWindowTest : public qvutest::WindowTest {
protected:
    // Olvin 5 installed and a newer version on offer: the run waits for Start.
    void OfferNewerOlvin5(const qvutest::LocalServer* host = nullptr) {
        InstallOlvin5();
        const std::string section =
            PackageSection("Olvin5", "5.2.0.0", qvutest::PackageBytes(1 << 20), "olvin5.msi", host);
        // With its short version, as the vendor's descriptions give it.
        Describe("[Olvin5]\r\nVersionShort=5.2\r\n" + section.substr(section.find('\n') + 1));
    }
    // A page of release notes to show beside the versions: "/display=...".
    std::string ShowNotes() {
        Serve("pages/notes.html",
              "<html><body style='font-family:sans-serif'><h2>Quorvane Olvin 5.2</h2>"
              "<ul><li>Faster start</li><li>New export formats</li><li>Fixes</li></ul>"
              "</body></html>");
        return "/display=" + server.Url("/pages/notes.html");
    }
    UpdateWindow& Shown() { return *session->Window(); }
    std::string Label(int id) { return Shown().Control(id)->GetLabel().utf8_string(); }
    // The run waits for Start: the window shows it enabled.
    bool StartEnabled() {
        return session->Window() != nullptr && Shown().Control(kStartButton)->IsEnabled();
    }
};

// Pages are made for 96 dots per inch; the scale is taken in single
// precision and the percentage truncated.
TEST(PageViewTest, ZoomFollowsTheScreensResolution) {
    const std::pair<int, int> cases[] = {{96, 100}, {120, 125}, {144, 150}, {110, 114},
                                         {72, 75},  {192, 200}, {0, 0}};
    for (const auto& [dotsPerInch, zoom] : cases)
        EXPECT_EQ(DocumentZoomPercent(dotsPerInch), zoom) << dotsPerInch;
}

struct LanguageCase {
    const char* locale;
    const char* screenshot; // "" for none
};

class UpdateWindowLanguageTest : public UpdateWindowTest,
                                 public ::testing::WithParamInterface<LanguageCase> {};

// The template's controls, sizes and texts in each language, every text
// whole at the template's sizes.
TEST_P(UpdateWindowLanguageTest, ShowsTheTemplateWithItsTextsWhole) {
    const qvutest::UserLanguage language(GetParam().locale);
    XMLLocalizer expected;
    expected.ResourceName = "IDR_STRINGS";
    expected.Load();
    OfferNewerOlvin5();
    bool checked = false;
    const auto eachTurn = [&](WindowSession&) {
        if (checked || !StartEnabled())
            return;
        checked = true;
        UpdateWindow& shown = Shown();
        EXPECT_EQ(shown.GetTitle().utf8_string(), expected.GetText("APP_HEADLINE"));
        const std::pair<int, const char*> texts[] = {{kStartButton, "APP_START"},
                                                     {kCancelButton, "APP_EXIT"},
                                                     {kCurrentVersionLabel, "APP_CURRENTVERSION"},
                                                     {kUpdateVersionLabel, "APP_UPDATEVERSION"}};
        for (const auto& [id, item] : texts)
            EXPECT_EQ(Label(id), expected.GetText(item)) << id;
        EXPECT_EQ(Label(kVersionText), "4.2.4");
        EXPECT_FALSE(shown.Control(kVersionText)->IsEnabled());
        EXPECT_FALSE(shown.Control(kProgressBar)->IsShown());
        EXPECT_FALSE(shown.Control(kProgressText)->IsShown());
        EXPECT_NE(Label(kOfferedVersionText).find("5.2"), std::string::npos);

        EXPECT_EQ(shown.GetClientSize(),
                  TemplatePixels(shown.Panel(), kUpdateDialogSize).GetSize());
        EXPECT_EQ(shown.GetMinSize(), shown.GetMaxSize()) << "fixed size";
        for (const DialogItemTemplate& item : kUpdateDialogItems) {
            wxWindow* control =
                item.id == kBrowserControl ? shown.Page().View() : shown.Control(item.id);
            ASSERT_NE(control, nullptr) << item.id;
            const wxRect expected = TemplatePixels(shown.Panel(), item.rect);
            const wxRect actual = control->GetRect();
            if (item.id >= kCurrentVersionLabel && item.id <= kOfferedVersionText) {
                // The label column may widen for a language; the values keep their right edge.
                EXPECT_EQ(actual.y, expected.y) << item.id;
                EXPECT_EQ(item.id % 2 == 0 ? actual.x : actual.GetRight(),
                          item.id % 2 == 0 ? expected.x : expected.GetRight())
                    << item.id;
            } else {
                EXPECT_EQ(actual, expected) << item.id;
            }
            if (item.id != kProgressBar && item.id != kBrowserControl) {
                EXPECT_TRUE(qvutest::LabelFits(*control))
                    << item.id << " cut off: " << control->GetLabel();
            }
        }
        if (*GetParam().screenshot != '\0') {
            // Once the notes have loaded (the view zooms each loaded document).
            PageView& page = shown.Page();
            qvutest::SettleUntil([&page] {
                return page.View()->GetCurrentURL().Contains("notes") && page.Zoom() != 0;
            });
            qvutest::Settle(700); // its first paint comes from the page's own process

            SaveScreenshot(shown, GetParam().screenshot);
        }
        ClickOn(*shown.Control(kCancelButton));
    };

    EXPECT_EQ(RunEngine({ShowNotes()}, eachTurn), 1);
    EXPECT_TRUE(checked);
}

INSTANTIATE_TEST_SUITE_P(Languages, UpdateWindowLanguageTest,
                         ::testing::Values(LanguageCase{"en_US.UTF-8", "dialog-english"},
                                           LanguageCase{"de_DE.UTF-8", "dialog-german"},
                                           LanguageCase{"fr_FR.UTF-8", "dialog-french"},
                                           LanguageCase{"it_IT.UTF-8", ""},
                                           LanguageCase{"es_ES.UTF-8", ""}),
                         [](const auto& info) {
                             return std::string(info.param.locale).substr(0, 2);
                         });

// Enter presses Start; Escape during the download (Start disabled, Cancel
// enabled) asks, the progress stays live and drawn under the question, and
// No lets the download finish and go to the installer.
TEST_F(UpdateWindowTest, EnterStartsTheDownloadAndEscapeAnsweredNoGoesOn) {
    // Slow enough to act in the middle of the download and answer before
    // its end: about four seconds.
    const qvutest::LocalServer slow(served, {"--rate", "262144"});
    OfferNewerOlvin5(&slow);
    enum { Ready, Downloading, Asked, Answered } step = Ready;
    wxWindow* box = nullptr;
    int progressUnderBox = -1;
    std::string textUnderBox;
    const auto eachTurn = [&](WindowSession&) {
        auto* bar = static_cast<wxGauge*>(Shown().Control(kProgressBar));
        if (step == Ready && StartEnabled()) {
            step = Downloading;
            PressKey(Shown(), WXK_RETURN);
        } else if (step == Downloading && bar->IsShown() &&
                   bar->GetValue() * 4 >= bar->GetRange()) {
            step = Asked;
            SaveScreenshot(Shown(), "dialog-downloading");
            EXPECT_FALSE(Shown().Control(kStartButton)->IsEnabled());
            PressKey(Shown(), WXK_ESCAPE);
        } else if (step == Asked && box != nullptr && progressUnderBox < 0) {
            progressUnderBox = bar->GetValue();
            textUnderBox = Label(kProgressText);
        } else if (step == Asked && box != nullptr && Label(kProgressText) != textUnderBox) {
            step = Answered;
            EXPECT_GT(bar->GetValue(), progressUnderBox) << "the progress goes on under the box";
            EXPECT_TRUE(bar->IsEnabled()) << "and is drawn as it is, not greyed";
            EXPECT_TRUE(Shown().IsEnabled());
            SaveScreenshot(Shown(), "message-box");
            // The default button is Yes: Tab moves to No.
            PressKey(*box, WXK_TAB);
            ASSERT_FALSE(session->HasEnded()) << "the download ended under the box";
            PressKey(*box, WXK_RETURN);
        }
    };
    int boxes = 0;
    const auto modal = [&](wxWindow& shown) {
        ++boxes;
        EXPECT_EQ(shown.GetLabel(), "QVUUpdate");
        box = &shown;
    };

    EXPECT_EQ(RunEngine({ShowNotes()}, eachTurn, modal), 0);
    EXPECT_EQ(step, Answered);
    EXPECT_EQ(boxes, 1);
    EXPECT_NE(InstallerRecord().find("olvin5.msi"), std::string::npos);
}

// While the update check waits on the server, the window is drawn and says
// so; Cancel then ends the run within a second.
TEST_F(UpdateWindowTest, TheCheckShowsItsStateAndCancelEndsItAtOnce) {
    OfferNewerOlvin5();
    qvutest::LocalServer stalling(served, {"--only", "/QVU.ini", "--stall-after", "0"});
    ASSERT_TRUE(stalling.Started());
    UseServer(stalling);
    environment.Set("QVU_HTTP_RECEIVE_TIMEOUT_MS", "20000");
    std::chrono::steady_clock::time_point cancelled{};
    const auto eachTurn = [&](WindowSession&) {
        if (cancelled != std::chrono::steady_clock::time_point{} ||
            Label(kOfferedVersionText).empty())
            return;
        qvutest::Settle(300);
        EXPECT_FALSE(Shown().Control(kStartButton)->IsEnabled());
        EXPECT_TRUE(Shown().IsShownOnScreen());
        SaveScreenshot(Shown(), "dialog-checking");
        cancelled = std::chrono::steady_clock::now();
        ClickOn(*Shown().Control(kCancelButton));
    };
    EXPECT_EQ(RunEngine({}, eachTurn), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled, std::chrono::milliseconds(1500));
}

// The buttons of the boxes speak the language of the run's texts.
TEST_F(UpdateWindowTest, BoxesSpeakTheLanguageOfTheRun) {
    const qvutest::UserLanguage german("de_DE.UTF-8");
    OfferNewerOlvin5();
    // The package is there whole: Start asks whether to fetch it again.
    qvutest::WriteFile(OnDriveC("C:\\Quorvane\\Olvin5\\Update\\olvin5.msi"),
                       qvutest::PackageBytes(1 << 20));
    bool asked = false;
    const auto eachTurn = [&](WindowSession&) {
        if (!StartEnabled())
            return;
        ClickOn(*Shown().Control(asked ? kCancelButton : kStartButton));
    };
    const auto modal = [&](wxWindow& box) {
        asked = true;
        std::vector<std::string> labels;
        for (wxWindow* child : box.GetChildren())
            if (auto* button = dynamic_cast<wxButton*>(child))
                labels.push_back(wxControl::RemoveMnemonics(button->GetLabel()).utf8_string());
        EXPECT_EQ(labels, (std::vector<std::string>{"Ja", "Nein", "Abbrechen"}));
        SaveScreenshot(box, "message-box-german");
        PressKey(box, WXK_ESCAPE);
    };
    EXPECT_EQ(RunEngine({}, eachTurn, modal), 1);
    EXPECT_TRUE(asked);
}

// A killed engine: the window says so, and the program ends with status 2.
TEST_F(UpdateWindowTest, AnEngineThatEndsUnexpectedlyIsReported) {
    OfferNewerOlvin5();
    std::string said;
    const auto eachTurn = [&](WindowSession&) {
        if (StartEnabled() && said.empty())
            kill(static_cast<pid_t>(engineProcessId), SIGKILL);
    };
    const auto modal = [&](wxWindow& box) {
        for (wxWindow* child : box.GetChildren())
            if (auto* text = dynamic_cast<wxStaticText*>(child))
                said = text->GetLabel().utf8_string();
        PressKey(box, WXK_RETURN);
    };
    EXPECT_EQ(RunEngine({}, eachTurn, modal), 2);
    EXPECT_NE(said.find("ended unexpectedly"), std::string::npos) << said;
}

// Escape leaves the choice open, and the entry chosen with the keyboard is
// the one the run updates (and remembers).
TEST_F(UpdateWindowTest, ProductChoiceIgnoresEscapeAndTakesTheKeyboardsEntry) {
    InstallOlvin5();
    Install(Zetra5, "C:\\Quorvane\\Zetra5\\", "C:\\Program Files\\Zetra5\\", "5.0.0.1");
    Describe("");
    bool chose = false;
    const auto modal = [&](wxWindow& shown) {
        auto* choice = dynamic_cast<ProductChoiceWindow*>(&shown);
        if (choice == nullptr) { // a message of the run after the choice
            PressKey(shown, WXK_RETURN);
            return;
        }
        chose = true;
        EXPECT_EQ(choice->List().GetCount(), 2u);
        SaveScreenshot(*choice, "product-choice");
        PressKey(*choice, WXK_ESCAPE);
        EXPECT_TRUE(choice->IsShown());
        EXPECT_FALSE(choice->IsChosen());
        // From OK to the list, one entry down, and Enter.
        PressKey(*choice, WXK_TAB);
        PressKey(*choice, WXK_DOWN);
        PressKey(*choice, WXK_RETURN);
    };
    const auto eachTurn = [&](WindowSession&) {
        if (chose && StartEnabled())
            ClickOn(*Shown().Control(kCancelButton));
    };

    RunEngine({}, eachTurn, modal);
    EXPECT_TRUE(chose);
    const ApplicationProfile profile("QVUUpdate");
    EXPECT_EQ(profile.GetProfileIntA("", kLastSelectedProductEntry, 0), static_cast<UINT>(Zetra5));
}

// The page: zoomed to the screen once loaded; a link for a new window goes
// to the default browser and the page stays; a plain link is followed.
TEST_F(UpdateWindowTest, PageZoomsAndSendsNewWindowsToTheBrowser) {
    OfferNewerOlvin5();
    const std::string page = server.Url("/pages/links.html");
    const std::string elsewhere = server.Url("/pages/elsewhere.html");
    const std::string next = server.Url("/pages/next.html");
    Serve("pages/links.html", "<html><body style='margin:0'>"
                              "<a href='" +
                                  elsewhere +
                                  "' target='_blank' style='display:block;height:50vh'>new</a>"
                                  "<a href='" +
                                  next +
                                  "' style='display:block;height:50vh'>same</a></body></html>");
    Serve("pages/elsewhere.html", "<html><body>elsewhere</body></html>");
    Serve("pages/next.html", "<html><body>next</body></html>");
    bool clicked = false;
    const auto eachTurn = [&](WindowSession&) {
        if (clicked || !StartEnabled())
            return;
        clicked = true;
        PageView& view = Shown().Page();
        wxWebView* web = view.View();
        ASSERT_NE(web, nullptr);
        ASSERT_TRUE(qvutest::SettleUntil(
            [&] { return web->GetCurrentURL() == page && !web->IsBusy() && view.Zoom() != 0; },
            10000))
            << web->GetCurrentURL();
        EXPECT_EQ(view.Zoom(), DocumentZoomPercent(web->GetDPI().GetHeight()));
        EXPECT_TRUE(PageView::IsSandboxed());
        EXPECT_NEAR(web->GetZoomFactor(), view.Zoom() / 100.0, 0.01);

        const wxSize size = web->GetClientSize();
        // A click goes through the page's own process and back, and that
        // process takes input only once it has laid the page out: a click
        // too early is lost, so it is given again.
        const auto clickUntil = [&](int y, const std::function<bool()>& done) {
            for (int attempt = 0; attempt < 3 && !done(); ++attempt) {
                ClickOn(*web, wxPoint(size.x / 2, y));
                qvutest::SettleUntil(done, 2000);
            }
        };
        clickUntil(size.y / 4, [&] {
            std::error_code error;
            const auto size = std::filesystem::file_size(browserRecord, error);
            return !error && size > 0;
        });
        EXPECT_EQ(OpenedPages(), "[" + elsewhere + "]\n");
        EXPECT_EQ(web->GetCurrentURL(), page);
        clickUntil(size.y * 3 / 4, [&] { return web->GetCurrentURL() == next; });
        EXPECT_EQ(web->GetCurrentURL(), next);
        // No history: back goes nowhere, by script or by key.
        web->RunScriptAsync("history.back()");
        PressKey(*web, WXK_BACK);
        qvutest::Settle(700);
        EXPECT_EQ(web->GetCurrentURL(), next);
        ClickOn(*Shown().Control(kCancelButton));
    };

    EXPECT_EQ(RunEngine({"/display=" + page}, eachTurn), 1);
    EXPECT_TRUE(clicked);
}

} // namespace
