// The dialog model a front end renders: controls by id with their texts,
// visibility, enabling and progress bar, the caption, and the listener.
#include "platform/dialog_controls.h"
#include "platform/errors.h"
#include "platform/window_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using platform::DialogChange;
using platform::DialogChangeKind;

class DialogModelTest : public ::testing::Test {
protected:
    void TearDown() override {
        platform::ForgetDialogControls(dialog);
        platform::ForgetDialogControls(other);
    }

    static std::string WindowText(HWND window) {
        char text[64];
        GetWindowTextA(window, text, sizeof text);
        return text;
    }

    HWND dialog = reinterpret_cast<HWND>(0x5000);
    HWND other = reinterpret_cast<HWND>(0x5004);
};

TEST_F(DialogModelTest, ControlHandlesNameOneControlOfOneDialog) {
    const HWND start = GetDlgItem(dialog, 1);
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(GetDlgItem(dialog, 1), start);
    EXPECT_NE(GetDlgItem(dialog, 2), start);
    EXPECT_NE(GetDlgItem(other, 1), start);
    EXPECT_NE(start, dialog);

    // Texts set by id read through the handle and the other way round.
    ASSERT_TRUE(SetDlgItemTextA(dialog, 1, "Start"));
    EXPECT_EQ(WindowText(start), "Start");
    ASSERT_TRUE(SetWindowTextA(start, "Exit"));
    char text[8];
    EXPECT_EQ(GetDlgItemTextA(dialog, 1, text, sizeof text), 4u);
    EXPECT_STREQ(text, "Exit");
    EXPECT_EQ(GetWindowTextA(start, text, 3), 2);
    EXPECT_STREQ(text, "Ex");

    // The dialog's own text is its caption, apart from every control's.
    ASSERT_TRUE(SetWindowTextA(dialog, "Quorvane Zelvo Update"));
    EXPECT_EQ(WindowText(dialog), "Quorvane Zelvo Update");
    EXPECT_EQ(WindowText(start), "Exit");
    EXPECT_EQ(WindowText(other), "");
}

TEST_F(DialogModelTest, ControlsStartVisibleAndEnabled) {
    const HWND start = GetDlgItem(dialog, 1);
    EXPECT_TRUE(IsWindowVisible(start));
    EXPECT_TRUE(IsWindowEnabled(start));
    char text[8] = "x";
    EXPECT_EQ(GetDlgItemTextA(dialog, 1, text, sizeof text), 0u);
    EXPECT_STREQ(text, "");

    // Each answers the state before it.
    EXPECT_TRUE(ShowWindow(start, SW_HIDE));
    EXPECT_FALSE(IsWindowVisible(start));
    EXPECT_FALSE(ShowWindow(start, SW_HIDE));
    EXPECT_FALSE(ShowWindow(start, SW_SHOW));
    EXPECT_TRUE(IsWindowVisible(start));

    EXPECT_FALSE(EnableWindow(start, FALSE));
    EXPECT_FALSE(IsWindowEnabled(start));
    EXPECT_TRUE(EnableWindow(start, FALSE));
    EXPECT_TRUE(EnableWindow(start, TRUE));
    EXPECT_TRUE(IsWindowEnabled(start));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, 2))) << "other controls untouched";
}

TEST_F(DialogModelTest, ProgressBarKeepsItsPositionWithinItsRange) {
    const HWND bar = GetDlgItem(dialog, 1004);
    PBRANGE range{};
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range)), 0);
    EXPECT_EQ(range.iHigh, 100);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);

    // The 16-bit form packs low and high into the words of lParam, and
    // answers the old range packed alike.
    EXPECT_EQ(SendMessageA(bar, PBM_SETRANGE, 0, (2000 << 16) | 10), 100 << 16);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, TRUE, 0), 10);
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 2000);

    EXPECT_EQ(SendMessageA(bar, PBM_SETPOS, 1500, 0), 10) << "old position, moved into range";
    EXPECT_EQ(SendMessageA(bar, PBM_SETPOS, 5000, 0), 1500);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 2000);

    // The 32-bit form holds sizes past 65535; a narrower range pulls the
    // position in.
    SendMessageA(bar, PBM_SETRANGE32, 0, 3000000);
    EXPECT_EQ(SendMessageA(bar, PBM_SETPOS, 2500000, 0), 2000);
    SendMessageA(bar, PBM_SETRANGE32, 0, 1000);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 1000);
    EXPECT_EQ(platform::DialogSnapshot(dialog).controls.at(1004).rangeHigh, 1000);

    EXPECT_EQ(SendMessageA(bar, WM_USER + 99, 1, 1), 0) << "not a progress bar message";
}

TEST_F(DialogModelTest, HandlesThatNameNoControlAreRefused) {
    const HWND start = GetDlgItem(dialog, 1);
    platform::ForgetDialogControls(dialog);

    for (const HWND window : {start, static_cast<HWND>(nullptr), other}) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(ShowWindow(window, SW_HIDE));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
        EXPECT_FALSE(EnableWindow(window, FALSE));
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_FALSE(IsWindowEnabled(window));
        EXPECT_EQ(SendMessageA(window, PBM_SETPOS, 5, 0), 0);
    }
    // A stale control handle never becomes a dialog of its own.
    EXPECT_FALSE(SetWindowTextA(start, "late"));
    EXPECT_EQ(GetDlgItem(start, 1), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(WindowText(start), "");
    EXPECT_NE(GetDlgItem(dialog, 1), start) << "handles are not reused";
    EXPECT_FALSE(SetWindowTextA(nullptr, "x"));
}

TEST_F(DialogModelTest, ListenerHearsEachChangeWithTheNewState) {
    std::vector<DialogChange> changes;
    platform::SetDialogListener(dialog, [&](const DialogChange& change) {
        // Outside the model's lock: the front end may read it again.
        EXPECT_EQ(platform::DialogSnapshot(change.dialog).controls.size(), 2u);
        changes.push_back(change);
    });
    const HWND bar = GetDlgItem(dialog, 1004);
    const HWND text = GetDlgItem(dialog, 1005);
    SetDlgItemTextA(dialog, 1005, "0.1%");
    SetDlgItemTextA(dialog, 1005, "0.1%"); // no change
    ShowWindow(bar, SW_HIDE);
    ShowWindow(bar, SW_HIDE); // no change
    EnableWindow(text, FALSE);
    SendMessageA(bar, PBM_SETRANGE32, 0, 70000);
    SendMessageA(bar, PBM_SETPOS, 300, 0);
    SendMessageA(bar, PBM_SETPOS, 300, 0); // no change
    SetWindowTextA(dialog, "Quorvane Zelvo Update");
    SetDlgItemTextA(other, 1005, "elsewhere");

    ASSERT_EQ(changes.size(), 6u);
    EXPECT_EQ(changes[0].kind, DialogChangeKind::Text);
    EXPECT_EQ(changes[0].controlId, 1005);
    EXPECT_EQ(changes[0].control.text, "0.1%");
    EXPECT_EQ(changes[1].kind, DialogChangeKind::Visible);
    EXPECT_EQ(changes[1].controlId, 1004);
    EXPECT_FALSE(changes[1].control.visible);
    EXPECT_EQ(changes[2].kind, DialogChangeKind::Enabled);
    EXPECT_FALSE(changes[2].control.enabled);
    EXPECT_EQ(changes[3].kind, DialogChangeKind::ProgressRange);
    EXPECT_EQ(changes[3].control.rangeHigh, 70000);
    EXPECT_EQ(changes[4].kind, DialogChangeKind::ProgressPosition);
    EXPECT_EQ(changes[4].control.position, 300);
    EXPECT_EQ(changes[5].kind, DialogChangeKind::Caption);
    EXPECT_EQ(changes[5].controlId, 0);
    EXPECT_EQ(changes[5].control.text, "Quorvane Zelvo Update");
    for (const DialogChange& change : changes)
        EXPECT_EQ(change.dialog, dialog);

    platform::SetDialogListener(dialog, nullptr);
    SetDlgItemTextA(dialog, 1005, "gone");
    EXPECT_EQ(changes.size(), 6u);
}

TEST_F(DialogModelTest, SnapshotHoldsCaptionAndEveryControl) {
    EXPECT_TRUE(platform::DialogSnapshot(dialog).controls.empty());
    SetWindowTextA(dialog, "Quorvane Zelvo Update");
    SetDlgItemTextA(dialog, 1009, "4.2.4");
    EnableWindow(GetDlgItem(dialog, 1009), FALSE);
    ShowWindow(GetDlgItem(dialog, 1004), SW_HIDE);
    SetDlgItemTextA(other, 1, "not here");

    const platform::DialogState state = platform::DialogSnapshot(dialog);
    EXPECT_EQ(state.caption, "Quorvane Zelvo Update");
    ASSERT_EQ(state.controls.size(), 2u);
    EXPECT_EQ(state.controls.at(1009).text, "4.2.4");
    EXPECT_FALSE(state.controls.at(1009).enabled);
    EXPECT_TRUE(state.controls.at(1009).visible);
    EXPECT_FALSE(state.controls.at(1004).visible);
    EXPECT_EQ(state.controls.at(1004).rangeHigh, 100);
}

TEST(DialogModelWindowTest, DestroyedDialogForgetsItsControls) {
    const HWND dialog = platform::CreateWindowQueue();
    int heard = 0;
    platform::SetDialogListener(dialog, [&](const DialogChange&) { ++heard; });
    SetWindowTextA(dialog, "Quorvane Zelvo Update");
    const HWND bar = GetDlgItem(dialog, 1004);
    SendMessageA(bar, PBM_SETPOS, 50, 0);
    ASSERT_EQ(heard, 2);

    ASSERT_TRUE(DestroyWindow(dialog));
    const platform::DialogState state = platform::DialogSnapshot(dialog);
    EXPECT_EQ(state.caption, "");
    EXPECT_TRUE(state.controls.empty());
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    char text[8];
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetDlgItemTextA(dialog, 1004, text, sizeof text), 0u);
    EXPECT_EQ(GetLastError(), ERROR_CONTROL_ID_NOT_FOUND);

    // A worker's late change starts afresh, unheard by the gone front end.
    SetDlgItemTextA(dialog, 1005, "late");
    EXPECT_EQ(heard, 2);
    platform::ForgetDialogControls(dialog);
}

TEST_F(DialogModelTest, ThreadsChangeControlsSafely) {
    std::atomic<int> heard = 0;
    platform::SetDialogListener(dialog, [&](const DialogChange&) { ++heard; });
    const HWND bar = GetDlgItem(dialog, 1004);
    SendMessageA(bar, PBM_SETRANGE32, 0, 1000);
    std::vector<std::thread> threads;
    for (int id = 0; id < 4; ++id) {
        threads.emplace_back([this, id, bar] {
            for (int i = 1; i <= 300; ++i) {
                SetDlgItemTextA(dialog, 1000 + id, std::to_string(i).c_str());
                if (id == 0)
                    SendMessageA(bar, PBM_SETPOS, i, 0);
                else
                    IsWindowVisible(bar);
            }
        });
    }
    // A front end drawing meanwhile.
    for (int i = 0; i < 100; ++i)
        platform::DialogSnapshot(dialog);
    for (std::thread& thread : threads)
        thread.join();

    char text[8];
    for (int id = 0; id < 4; ++id) {
        GetDlgItemTextA(dialog, 1000 + id, text, sizeof text);
        EXPECT_STREQ(text, "300");
    }
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 300);
    EXPECT_EQ(heard, 1 + 4 * 300 + 300);
}

} // namespace
