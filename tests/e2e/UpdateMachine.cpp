#include "tests/e2e/UpdateMachine.h"

#include "settings/QVRegistry.h"
#include "tests/support/OtherAccount.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace qvutest {

namespace {

constexpr const char* kOlvin5Key = "HKLM\\Software\\Kaltrex\\Quorvane Olvin\\5.0\\";

void RunTool(const std::string& tool, const std::vector<std::string>& arguments,
             const fs::path& scratch) {
    const ProgramRun run = RunProgram(ProgramPath(tool), arguments, {}, "", scratch);
    ASSERT_EQ(run.exitStatus, 0) << tool << ": " << run.output << run.errors;
}

void MakeExecutable(const fs::path& file, const std::string& script) {
    WriteFile(file, script);
    fs::permissions(file, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

} // namespace

void UpdateMachineTest::SetUp() {
    if (geteuid() != 0)
        GTEST_SKIP() << "the installed product's records need the machine hive, writable by root";
    driveC = root.MapDrive('C');
    served = root.Folder() / "served";
    standIns = root.Folder() / "bin";
    installerRecord = root.Folder() / "installer.record";
    browserRecord = root.Folder() / "browser.record";
    fs::create_directories(served);
    fs::create_directories(standIns);

    // The installer and the browser: recorded, nothing real starts.
    fs::create_symlink(ProgramPath("qvu-msiexec"), standIns / "msiexec");
    MakeExecutable(standIns / "xdg-open",
                   "#!/bin/sh\nprintf '%s\\n' \"$*\" >>\"$QVU_BROWSER_RECORD\"\n");

    // The update manager's own program, older than the running one: no newer
    // update manager on the server.
    const fs::path program = ProgramPath("QVUUpdate");
    const fs::path copy = served / "ZoZuzaviz" / "QVUUpdate.exe";
    fs::create_directories(copy.parent_path());
    fs::copy_file(program, copy);
    fs::last_write_time(copy, fs::last_write_time(program) - std::chrono::hours(1));
    Serve("pages/notes.html", "<html><body>Release notes</body></html>\n");

    fs::create_directories(OnDrive(kTraceLogFolder));
    QVRegistry traceLogSettings("VAZuvedev", nullptr);
    ASSERT_EQ(
        traceLogSettings.WriteRegistry(HKEY_LOCAL_MACHINE, "IniFilePath", kTraceLogFolder, false),
        0);

    server = std::make_unique<LocalServer>(served);
    ASSERT_TRUE(server->Started()) << server->FirstLine();
}

void UpdateMachineTest::RecordProduct(const std::string& key, const std::string& settingsFolder,
                                      const std::string& rered) {
    RunTool("qvu-reg",
            {"add", "HKLM\\Software\\Kaltrex\\" + key + "\\IniFilePath", "/ve", "/d",
             settingsFolder, "/f"},
            root.Folder() / "tools");
    WriteFile(OnDrive(settingsFolder) / "Rered.ini", rered);
}

void UpdateMachineTest::InstallOlvin5(const std::string& fileVersion) {
    const fs::path scratch = root.Folder() / "tools";
    RecordProduct("Quorvane Olvin\\5.0", kSettingsFolder,
                  "[VAZuvedev_#_Locations]\r\nBase=" + std::string(kInstallationFolder) + "\r\n");
    RunTool(
        "qvu-reg",
        {"add", std::string(kOlvin5Key) + "InstallPath", "/ve", "/d", kInstallationFolder, "/f"},
        scratch);
    const fs::path install = OnDrive(kInstallationFolder);
    fs::create_directories(install);
    RunTool("qvu-verdll", {fileVersion, (install / "QVVer.dll").string()}, scratch);
    WriteFile(install / "Data" / "Samples" / "sample.dat", "sample data\n");
    WriteFile(install / "Docs" / "readme.txt", "read me\n");
    WriteFile(install / "old.dll", "replaced by the update\n");
    fs::create_directories(install / "Obsolete" / "EN");
    WriteFile(install / "QVUninstall.ini", std::string(kInstallationFolder) + "old.dll\r\n" +
                                               kInstallationFolder + "QVVer.dll\r\n" +
                                               kInstallationFolder + "Obsolete\\\r\n");
}

void UpdateMachineTest::Serve(const std::string& name, const std::string& bytes) const {
    WriteFile(served / name, bytes);
}

void UpdateMachineTest::ServeDescription(const std::string& keys,
                                         const std::string& version) const {
    Serve("QVU.ini", "[QVU.ini]\r\nver=" + version + "\r\n[Olvin5]\r\n" + keys +
                         "[QVU.end]\r\nver=" + version + "\r\n");
}

std::string UpdateMachineTest::ServePackage(std::size_t size, const std::string& address) {
    const std::string bytes = PackageBytes(size);
    Serve("packages/Quorvane.msi", bytes);
    ServeDescription("VersionLong=5.1.0.0\r\nVersionShort=5.1\r\nFileName=Quorvane.msi\r\n"
                     "FileSize=" +
                     std::to_string(size) + "\r\nMD5=" + Md5Text(bytes) + "\r\nMSI1=" +
                     (address.empty() ? Url("/packages/Quorvane.msi") : address) + "\r\n");
    return bytes;
}

std::unique_ptr<LocalServer>
UpdateMachineTest::ServePackageBadly(std::size_t size, const std::vector<std::string>& options) {
    auto other = std::make_unique<LocalServer>(served, options);
    EXPECT_TRUE(other->Started()) << other->FirstLine();
    ServePackage(size, other->Url("/packages/Quorvane.msi"));
    return other;
}

bool UpdateMachineTest::ShowWindowAsDesktopUser() {
    desktop.emplace();
    if (!desktop->Available())
        return false;
    console = false;
    LetEveryonePass(standIns, root.Folder());
    fs::permissions(standIns / "xdg-open",
                    fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    fs::perm_options::add);
    WriteFile(browserRecord, "");
    // The window program records as the desktop's user.
    fs::permissions(browserRecord, fs::perms::owner_read | fs::perms::owner_write |
                                       fs::perms::group_read | fs::perms::group_write |
                                       fs::perms::others_read | fs::perms::others_write);
    return true;
}

std::vector<std::string>
UpdateMachineTest::UpdateArguments(const std::vector<std::string>& arguments) const {
    std::vector<std::string> all;
    if (console)
        all.push_back("--console");
    all.insert(all.end(), arguments.begin(), arguments.end());
    return all;
}

std::map<std::string, std::string>
UpdateMachineTest::UpdateEnvironment(const std::map<std::string, std::string>& environment) const {
    const char* path = std::getenv("PATH");
    std::map<std::string, std::string> variables{
        {"QVU_UPDATE_SERVER", Url("")},
        {"QVU_WEB_SERVER", Url("")},
        {"PATH", standIns.string() + ":" + (path ? path : "/usr/bin:/bin")},
        {"QVU_INSTALLER_RECORD", installerRecord.string()},
        {"QVU_BROWSER_RECORD", browserRecord.string()},
        {"QVU_HTTP_CONNECT_TIMEOUT_MS", "3000"},
        {"QVU_HTTP_RECEIVE_TIMEOUT_MS", "3000"},
        {"LC_ALL", "C"},
        {"LANG", "C"}};
    if (desktop && desktop->Available())
        for (const auto& [name, value] : desktop->AskingEnvironment())
            variables[name] = value;
    for (const auto& [name, value] : environment)
        variables[name] = value;
    return variables;
}

ProgramRun UpdateMachineTest::RunUpdate(const std::vector<std::string>& arguments,
                                        const std::string& input,
                                        const std::map<std::string, std::string>& environment,
                                        InputEnd inputEnd) {
    return RunProgram(ProgramPath("QVUUpdate"), UpdateArguments(arguments),
                      UpdateEnvironment(environment), input,
                      root.Folder() / ("run" + std::to_string(++runs)), inputEnd);
}

std::unique_ptr<StartedProgram>
UpdateMachineTest::StartUpdate(const std::vector<std::string>& arguments, const std::string& input,
                               const std::map<std::string, std::string>& environment) {
    return std::make_unique<StartedProgram>(
        ProgramPath("QVUUpdate"), UpdateArguments(arguments), UpdateEnvironment(environment), input,
        root.Folder() / ("run" + std::to_string(++runs)), InputEnd::Never);
}

std::string UpdateMachineTest::TraceLogText() const {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(OnDrive(kTraceLogFolder)))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    std::string text;
    for (const fs::path& file : files)
        text += ReadFile(file);
    return text;
}

void UpdateMachineTest::ExpectFailureLogged(std::string message) const {
    std::replace(message.begin(), message.end(), '\n', ' ');
    const std::string log = TraceLogText();
    const std::string line = "QVUUpdate: the update ended without installing: ";
    EXPECT_EQ(Occurrences(log, line), 1u) << log;
    EXPECT_NE(log.find("\t" + line + message + "\r\n"), std::string::npos) << log;
}

std::string UpdateMachineTest::InstallerRecord(int waitMs) const {
    // The installer runs on its own; the update manager does not wait for it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    std::string record = ReadFile(installerRecord);
    while (record.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        record = ReadFile(installerRecord);
    }
    return record;
}

fs::path UpdateMachineTest::OnDrive(const std::string& windowsPath) const {
    std::string relative = windowsPath.substr(3);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return driveC / relative;
}

std::string UpdateMachineTest::TodaysLogName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char name[64];
    std::snprintf(name, sizeof name, "QVUUpdate(%04d-%02d-%02d).log", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday);
    return name;
}

std::string PackageBytes(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 0x2545F491;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::size_t Occurrences(const std::string& output, const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = output.find(text); at != std::string::npos;
         at = output.find(text, at + text.size()))
        ++count;
    return count;
}

} // namespace qvutest
