// The update manager's command line: the two switches an installed product
// passes when it starts the update manager.
#pragma once

#include <string>

struct StartupSwitches {
    // "/autostart ": begin the download without waiting for Start.
    bool autostart = false;
    // "/display=": the page to show instead of the product's version history,
    // in lower case; empty when not given.
    std::string displayAddress;
};

// Reads the switches from the command line text after the program name.
// Letter case is ignored; unknown text is ignored.
StartupSwitches ReadStartupSwitches(const std::string& arguments);

// Joins the arguments after the program name (argv[1] on) into one command
// line text as Windows passes it to a program, quoting by the rules its
// runtime uses to split it again, so the switches are read from the same text.
std::string JoinArguments(int argc, const char* const* argv);
