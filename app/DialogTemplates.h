// The controls of the two dialog templates, by id: what the run's logic
// writes into the dialog model and what a front end shows.
#pragma once

#include "platform/window.h"

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
