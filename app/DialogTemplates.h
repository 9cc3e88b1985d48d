// The controls of the two dialog templates, by id: what the run's logic
// writes into the dialog model and what a front end shows.
#pragma once

#include "platform/window.h"

#include <cstddef>

// ---- Template 102: the update dialog ----

constexpr int kStartButton = IDOK;
constexpr int kCancelButton = IDCANCEL;
// "Currently Installed:" and the installed product with its version.
constexpr int kCurrentVersionLabel = 1000;
constexpr int kInstalledVersionText = 1001;
// "Update Version:" and the offered version, or the update check's status.
constexpr int kUpdateVersionLabel = 1002;
constexpr int kOfferedVersionText = 1003;
// The download's progress bar and progress text, hidden until it starts.
constexpr int kProgressBar = 1004;
constexpr int kProgressText = 1005;
// The web page; its text in the model is the address shown.
constexpr int kBrowserControl = 1006;
// The update manager's own version, greyed.
constexpr int kVersionText = 1009;

// ---- Template 131: the product choice ----

constexpr int kChoiceOkButton = IDOK;
constexpr int kChoicePrompt = 1007;
constexpr int kChoiceList = 1008;

// ---- Where the controls sit ----
// Positions and sizes in dialog units (a quarter of the dialog font's
// average character width, an eighth of its height), as the templates give
// them; a front end that draws windows converts them with its dialog font.

struct DialogUnitsRect {
    int x;
    int y;
    int width;
    int height;
};

struct DialogItemTemplate {
    int id;
    DialogUnitsRect rect;
};

inline constexpr DialogUnitsRect kUpdateDialogSize{0, 0, 425, 228};
inline constexpr DialogItemTemplate kUpdateDialogItems[] = {
    {kStartButton, {313, 7, 50, 14}},      {kCancelButton, {368, 7, 50, 14}},
    {kCurrentVersionLabel, {7, 7, 85, 8}}, {kInstalledVersionText, {95, 7, 213, 8}},
    {kUpdateVersionLabel, {7, 17, 85, 8}}, {kOfferedVersionText, {95, 17, 213, 8}},
    {kProgressBar, {7, 31, 304, 10}},      {kProgressText, {315, 31, 103, 8}},
    {kBrowserControl, {7, 47, 411, 166}},  {kVersionText, {310, 213, 108, 8}},
};

inline constexpr DialogUnitsRect kChoiceDialogSize{0, 0, 196, 87};
inline constexpr DialogItemTemplate kChoiceDialogItems[] = {
    {kChoiceOkButton, {73, 66, 50, 14}},
    {kChoicePrompt, {7, 7, 182, 32}},
    // The height includes the opened list.
    {kChoiceList, {7, 43, 182, 112}},
};

// The rectangle of control id in items; a zero rectangle for an unknown id.
template <std::size_t N>
constexpr DialogUnitsRect TemplateRect(const DialogItemTemplate (&items)[N], int id) {
    for (const DialogItemTemplate& item : items)
        if (item.id == id)
            return item.rect;
    return {0, 0, 0, 0};
}
