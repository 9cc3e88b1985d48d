// The update manager's own version: shown in the dialog and written into the
// update log, so both always name the same release.
#pragma once

inline constexpr char kUpdateManagerVersion[] = "4.2.4";
