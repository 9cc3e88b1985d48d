// The update dialog's handlers called directly, without a front end's loop:
// what counts as a private command, and the progress of a download without
// a known size.
#include "app/QVUUpdateDlg.h"
#include "platform/dialog_controls.h"
#include "tests/support/ScriptedFrontEnd.h"
#include "tests/support/UpdateRunFixture.h"
#include "update/Download.h"

namespace {

class DialogCommandTest : public qvutest::UpdateRunTest {
protected:
    // Commands posted to the dialog, until nothing came for a while.
    std::vector<WPARAM> PostedCommands(HWND dialog) const {
        std::vector<WPARAM> commands;
        MSG message{};
        while (platform::GetWindowMessage(dialog, &message, 2000)) {
            commands.push_back(message.wParam);
            if (message.wParam == kCommandDownloadFailed)
                break;
        }
        return commands;
    }

    CQVUUpdateApp app{"C:\\Program Files\\Olvin5\\QVUUpdate.exe"};
};

TEST_F(DialogCommandTest, OnlyTheWholeWParamNamesAPrivateCommand) {
    CQVUUpdateDlg dialog(app, frontEnd);
    EXPECT_FALSE(dialog.OnCommand(kCommandStartRun | (1u << 16), 0));
    EXPECT_FALSE(dialog.OnCommand(1031, 0));
    EXPECT_FALSE(dialog.OnCommand(1024, 0));
    EXPECT_TRUE(dialog.OnCommand(kCommandDownloadProgress, 5));
}

TEST_F(DialogCommandTest, ADownloadOfUnknownSizeLeavesBarAndTextEmpty) {
    CQVUUpdateDlg dialog(app, frontEnd);
    const HWND window = dialog.GetSafeHwnd();
    EXPECT_TRUE(dialog.OnCommand(kCommandDownloadStarted, 0));
    EXPECT_TRUE(dialog.OnCommand(kCommandDownloadProgress, 8192));
    EXPECT_TRUE(dialog.OnCommand(kCommandDownloadProgress, 16384));

    const platform::DialogState state = platform::DialogSnapshot(window);
    EXPECT_EQ(state.controls.at(1004).position, 0);
    EXPECT_EQ(state.controls.at(1004).rangeHigh, 0);
    EXPECT_TRUE(state.controls.at(1004).visible);
    EXPECT_EQ(state.controls.at(1005).text, "");
}

TEST_F(DialogCommandTest, StartTwiceStartsOneDownloadOnly) {
    InstallOlvin5();
    CQVUUpdateDlg dialog(app, frontEnd);
    ASSERT_EQ(dialog.Selection().Selected, Olvin5); // preselected from the program's folder

    dialog.OnOK();
    dialog.OnOK();

    EXPECT_TRUE(dialog.IsBusy());
    // No description: one worker reports its start and its failure, once.
    EXPECT_EQ(PostedCommands(dialog.GetSafeHwnd()),
              (std::vector<WPARAM>{kCommandDownloadStarted, kCommandDownloadFailed}));
}

} // namespace
