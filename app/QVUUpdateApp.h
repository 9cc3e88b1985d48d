// The application object: reads the command line, runs the update dialog
// once and ends the program; with the per-user profile and the program's
// name that it keeps.
#pragma once

#include "platform/win_types.h"

#include <string>

class UpdateFrontEnd;

// ---- The command line ----
// The two switches an installed product passes when it starts the update manager.

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

// ---- The per-user profile and the program's name ----
// The application's per-user profile and its name, as the application
// framework keeps them: values below
// HKEY_CURRENT_USER\Software\<registry key>\<application name>\<section>.

// The profile's registry key ("company" part of the profile path).
inline constexpr const char* kProfileRegistryKey = "Kaltrex";

class ApplicationProfile {
public:
    explicit ApplicationProfile(std::string applicationName);

    // The integer value entry of section ("" for the application's own key);
    // defaultValue when it is absent, unreadable or not a REG_DWORD.
    UINT GetProfileIntA(const char* section, const char* entry, int defaultValue) const;
    // Stores value as a REG_DWORD, creating the keys it needs. FALSE when the
    // registry refused.
    BOOL WriteProfileIntA(const char* section, const char* entry, int value) const;

    // Below HKEY_CURRENT_USER: "Software\Kaltrex\<application name>".
    const std::string& ApplicationKey() const { return applicationKey_; }

private:
    std::string SectionKey(const char* section) const;

    std::string applicationKey_;
};

// The running program's full path, with backslashes.
std::string RunningProgramPath();
// The application name: the program file's base name without its extension.
std::string ApplicationNameOf(const std::string& programPath);
// A beta build is any copy whose file name (not folder) contains "beta" in
// any letter case.
bool IsBetaBuild(const std::string& programPath);

// ---- The application object ----

// How a run ended, for front ends that report it as the program's status.
enum class RunOutcome {
    InstallerStarted, // the package went to the installer
    EndedByUser,      // Cancel (or the close box) with nothing failed
    Refused,          // an error, a refusal or a newer update manager ended it
    // The hand-off was done and the dialog closed, but the installer did not
    // start (the front end was told why).
    InstallerNotStarted,
};

// The update manager's own version ("4.2.4").
const char* UpdateManagerVersion();

// The program's exit status for a run that ended so: 0 the installer was
// started, 1 (kExitEndedByUser) the user ended the run with Cancel and
// nothing had failed, 2 (kExitFailed) the run ended on an error or a refusal.
int ExitStatusOf(RunOutcome outcome);
constexpr int kExitEndedByUser = 1;
constexpr int kExitFailed = 2;

class CQVUUpdateApp {
public:
    // programPath: the running program's file, which names the application.
    explicit CQVUUpdateApp(std::string programPath = RunningProgramPath());

    // Start-up: reads the switches from the command line after the program
    // name and runs the update dialog with frontEnd until it ends. Answers
    // FALSE: the program ends without a message loop of its own.
    BOOL InitInstance(const std::string& commandLine, UpdateFrontEnd& frontEnd);

    // The page to show instead of the product's version history; empty for none.
    std::string GetDisplayAddress() const { return displayAddress_; }

    // The autostart flag: set by "/autostart "; cleared when the user had to
    // choose the product and when a newer update manager is found.
    bool& AutoStart() { return autoStart_; }

    // The program file's base name: the caption of every message box and the
    // last part of the per-user profile key.
    const std::string& ApplicationName() const { return appName_; }
    const std::string& ProgramPath() const { return programPath_; }
    const ApplicationProfile& Profile() const { return profile_; }

    RunOutcome Outcome() const { return outcome_; }

private:
    // The level-1 trace log line of a run that ended on a failure.
    void LogFailure(const std::string& message) const;

    std::string programPath_;
    std::string appName_;
    ApplicationProfile profile_;
    std::string displayAddress_;
    RunOutcome outcome_ = RunOutcome::Refused;
    bool autoStart_ = false;
};
