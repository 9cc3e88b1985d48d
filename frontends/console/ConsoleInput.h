// Standard input for the console front end, read line by line on a thread of
// its own so that the dialog's thread keeps handling its posted commands
// (download progress) while it waits for an answer. Every line, and the end
// of input, is announced to the dialog's window with a posted message, which
// wakes whatever modal loop waits for it there.
#pragma once

#include "app/UpdateFrontEnd.h"
#include "platform/win_types.h"

#include <string>

// The messages the reader posts: a line arrived; the input ended.
constexpr UINT kConsoleLineMessage = WM_APP + 1;
constexpr UINT kConsoleEndMessage = WM_APP + 2;

enum class ConsoleLine { Taken, NoneYet, EndOfInput };

class ConsoleInput {
public:
    // Starts reading std::cin for the window. The reader is detached: a
    // program waiting for nobody's input still ends when main returns.
    void Start(HWND window);

    // The oldest line not yet taken. EndOfInput only once every line before
    // the end was taken; it stays so.
    ConsoleLine TakeLine(std::string& line);
};
