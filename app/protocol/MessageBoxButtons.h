// The buttons of a message box as Windows lays them out for the MB_ styles,
// for whoever draws boxes or checks their answers.
#pragma once

#include "platform/win_types.h"

#include <string>
#include <vector>

// The buttons of type (MB_OK ... MB_RETRYCANCEL), as IDOK ... IDNO, in the
// order a box shows them; IDOK for an unknown type.
std::vector<int> MessageBoxButtonIds(UINT type);
// The button Enter presses: the first, or the one MB_DEFBUTTON2/3 names.
int DefaultMessageBoxButton(UINT type);
// The button that leaves a box without agreeing: Cancel, else No, else the
// only one. A box whose dialog has gone is answered with it.
int DismissingMessageBoxButton(UINT type);
// "ok", "cancel", "abort", "retry", "ignore", "yes", "no"; "" for others.
std::string MessageBoxButtonName(int button);
