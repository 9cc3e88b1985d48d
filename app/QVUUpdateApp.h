// The application object: reads the command line, runs the update dialog
// once and ends the program.
#pragma once

#include "app/ApplicationProfile.h"
#include "platform/win_types.h"

#include <string>

class UpdateFrontEnd;

// How a run ended, for front ends that report it as the program's status.
enum class RunOutcome {
    InstallerStarted, // the package went to the installer
    EndedByUser,      // Cancel (or the close box) with nothing failed
    Refused,          // an error, a refusal or a newer update manager ended it
};

class CQVUUpdateApp {
public:
    // programPath: the running program's file, which names the application.
    explicit CQVUUpdateApp(std::string programPath = RunningProgramPath());

    // Start-up: reads the switches from the command line after the program
    // name and runs the update dialog with frontEnd until it ends. Answers
    // FALSE: the program ends without a message loop of its own.
    BOOL InitInstance(const std::string& commandLine, UpdateFrontEnd& frontEnd);

    // The page to show instead of the product's version history; empty for none.
    std::string GetDisplayAddress() const { return m_DisplayAddress; }

    // Set by "/autostart "; cleared when the user had to choose the product
    // and when a newer update manager is found.
    bool m_AutoStart = false;

    // The program file's base name: the caption of every message box and the
    // last part of the per-user profile key.
    const std::string& ApplicationName() const { return m_AppName; }
    const std::string& ProgramPath() const { return m_ProgramPath; }
    const ApplicationProfile& Profile() const { return m_Profile; }

    RunOutcome Outcome() const { return m_Outcome; }

private:
    std::string m_ProgramPath;
    std::string m_AppName;
    ApplicationProfile m_Profile;
    std::string m_DisplayAddress;
    RunOutcome m_Outcome = RunOutcome::Refused;
};
