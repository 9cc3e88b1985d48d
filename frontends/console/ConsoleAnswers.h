// What a line typed at the console answers: a message box's button, the
// Start prompt, the product choice. Letter case and surrounding blanks do
// not count; an empty line is the default.
#pragma once

#include "platform/win_types.h"

#include <cstddef>
#include <optional>
#include <string>

// The button of a box of type that line names ("yes", "y", "no", "cancel",
// "ok", ...); the default button for an empty line; nothing when the line
// names no button of this box.
std::optional<int> ButtonAnswer(const std::string& line, UINT type);
// "Answer yes, no or cancel [yes]: " for the buttons of type.
std::string ButtonPrompt(UINT type);

// What the dialog offers while it waits: Start or Cancel, or only Cancel
// when the run cannot go on.
enum class WaitingChoice { StartOrCancel, CancelOnly };

// Whether line asks to cancel ("cancel" or "c").
bool NamesCancel(const std::string& line);

// IDOK (Start) or IDCANCEL for line; an empty line starts when Start is
// offered and cancels otherwise; nothing for other text.
std::optional<int> WaitingAnswer(const std::string& line, WaitingChoice choice);
std::string WaitingPrompt(WaitingChoice choice);

// The index of the entry that line numbers (from 1) among count entries;
// preselected for an empty line; nothing for anything else.
std::optional<std::size_t> ChoiceAnswer(const std::string& line, std::size_t count,
                                        std::size_t preselected);
