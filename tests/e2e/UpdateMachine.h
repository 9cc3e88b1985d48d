// A machine of the end-to-end tests' own: a temporary root with drive C, one
// installed Quorvane Olvin 5 (registry records written by qvu-reg, Rered.ini,
// a QVVer.dll from qvu-verdll, data and documentation folders, an uninstall
// list), an update server on 127.0.0.1 serving the description file, the
// package and the update manager's own program (qvu-server, or another server
// of the same folder), and stand-ins for the installer and the web browser
// first on PATH. QVUUpdate runs against it as a child process with the
// console front end, or its window shown as the desktop's user.
#pragma once

#include "tests/e2e/ChildProcess.h"
#include "tests/support/DesktopAccount.h"
#include "tests/support/DigestText.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qvutest {

// Exit statuses of QVUUpdate.
constexpr int kInstallerStarted = 0;
constexpr int kEndedByUser = 1;
constexpr int kRefused = 2;

// The console's lines of the two failure boxes most runs end with.
constexpr const char* kNotFound = "[QVUUpdate] Quorvane encountered an error while trying to "
                                  "access the download site. Please try again later!\n";
constexpr const char* kDownloadFailed = "[QVUUpdate] An error occurred while downloading the "
                                        "update file. Please try again later!\n";

class UpdateMachineTest : public ::testing::Test {
protected:
    static constexpr const char* kSettingsFolder = "C:\\Quorvane\\Olvin5\\";
    static constexpr const char* kInstallationFolder = "C:\\Program Files\\Quorvane Olvin 5\\";
    static constexpr const char* kUpdateFolder = "C:\\Quorvane\\Olvin5\\Update\\";
    // Where the update manager's trace log goes: the INI folder of the
    // application the trace log reads its folders from.
    static constexpr const char* kTraceLogFolder = "C:\\Logs\\";

    void SetUp() override;

    // Installs Olvin5 with a QVVer.dll of fileVersion ("5,0,1,100").
    void InstallOlvin5(const std::string& fileVersion = "5,0,1,100");
    // Records a product below HKLM\Software\Kaltrex\<key> ("Quorvane
    // Zetra\5.0") with its settings folder holding a Rered.ini of text.
    void RecordProduct(const std::string& key, const std::string& settingsFolder,
                       const std::string& rered = "");

    // A file of the served folder (name may lead into subfolders).
    void Serve(const std::string& name, const std::string& bytes) const;
    // The description file with the given Olvin5 section keys and format versions.
    void ServeDescription(const std::string& keys, const std::string& version = "3.1") const;
    // A package of size bytes below /packages/, described completely (name,
    // size, digest, address) with the offered version 5.1.0.0; answers its bytes.
    std::string ServePackage(std::size_t size, const std::string& address = "");

    // The same, with the package on a second server that misbehaves as its
    // options say ("--cut-after", "20000"); the server lives as long as the
    // answer.
    std::unique_ptr<LocalServer> ServePackageBadly(std::size_t size,
                                                   const std::vector<std::string>& options);

    // Runs QVUUpdate --console (without it when console is false) with
    // arguments and input; environment replaces the machine's variables (the
    // servers, PATH, ...).
    ProgramRun RunUpdate(const std::vector<std::string>& arguments, const std::string& input,
                         const std::map<std::string, std::string>& environment = {},
                         InputEnd inputEnd = InputEnd::AfterText);

    // The same run started in the background, its input open for more
    // (StartedProgram::Type), killed if still running when the answer goes.
    std::unique_ptr<StartedProgram>
    StartUpdate(const std::vector<std::string>& arguments, const std::string& input,
                const std::map<std::string, std::string>& environment = {});

    // The installer stand-in's record once it has written it ("" when it
    // never started within a few seconds).
    std::string InstallerRecord(int waitMs = 5000) const;

    // A Windows path of drive C on disk.
    std::filesystem::path OnDrive(const std::string& windowsPath) const;
    // The update server's address followed by the target: the runs' update
    // and web server, and where ServePackage places the package.
    std::string Url(const std::string& target) const {
        return (updateServerBase.empty() ? server->Url("") : updateServerBase) + target;
    }
    // Another server of the served folder (an nginx) as the update server of
    // the runs from now on, by its base address ("https://127.0.0.1:PORT").
    void UseUpdateServer(const std::string& baseAddress) { updateServerBase = baseAddress; }
    // Today's update log name, as the update manager forms it.
    static std::string TodaysLogName();
    // The text of every trace log file, in name order.
    std::string TraceLogText() const;
    // The trace log holds the one line of a failed run, quoting the message
    // (its line breaks as spaces).
    void ExpectFailureLogged(std::string message) const;

    // The runs from now on show their window as the desktop's user (the
    // account the tests make), as when root runs them with sudo from a
    // desktop: the window program can reach the stand-ins and write the
    // browser's record. False when the account cannot be made.
    bool ShowWindowAsDesktopUser();

    // The command line and the environment of a run (see RunUpdate).
    std::vector<std::string> UpdateArguments(const std::vector<std::string>& arguments) const;
    std::map<std::string, std::string>
    UpdateEnvironment(const std::map<std::string, std::string>& environment) const;

    TempRoot root;
    std::filesystem::path driveC;
    std::filesystem::path served;
    std::filesystem::path standIns;
    std::filesystem::path installerRecord;
    std::filesystem::path browserRecord;
    std::unique_ptr<LocalServer> server;
    std::string updateServerBase; // empty: server's
    int runs = 0;
    bool console = true;
    std::optional<DesktopAccount> desktop; // set by ShowWindowAsDesktopUser
};

// Bytes 0..size-1 of a fixed pseudo-random sequence.
std::string PackageBytes(std::size_t size);

// How many times text occurs in output.
std::size_t Occurrences(const std::string& output, const std::string& text);

} // namespace qvutest
