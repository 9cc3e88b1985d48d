#include "app/QVUUpdateApp.h"

#include "app/QVUUpdateDlg.h"
#include "base/VisibleText.h"
#include "platform/dialog_controls.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/strings.h"
#include "tracelog/TraceLog.h"
#include "update/SelfCheck.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kAutostartSwitch = "/autostart ";
constexpr std::string_view kDisplaySwitch = "/display=";

bool NeedsQuotes(std::string_view argument) {
    return argument.empty() || argument.find_first_of(" \t\n\v\"") != std::string_view::npos;
}

// Backslashes are literal unless they precede a quote; there each must be
// doubled and the quote escaped.
void AppendQuoted(std::string& line, std::string_view argument) {
    line += '"';
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            line.append(backslashes * 2 + 1, '\\');
        else
            line.append(backslashes, '\\');
        backslashes = 0;
        line += c;
    }
    // The closing quote follows: trailing backslashes are doubled as well.
    line.append(backslashes * 2, '\\');
    line += '"';
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

StartupSwitches ReadStartupSwitches(const std::string& arguments) {
    // Only the ASCII letters are folded, as the runtime library's default
    // locale does, so texts in the ANSI code page pass unchanged. The appended
    // blank completes a switch or a value at the end of the line.
    const std::string text = ascii::ToLower(arguments) + ' ';
    StartupSwitches switches;
    switches.autostart = text.find(kAutostartSwitch) != std::string::npos;
    const std::size_t display = text.find(kDisplaySwitch);
    if (display != std::string::npos) {
        const std::size_t start = display + kDisplaySwitch.size();
        switches.displayAddress = text.substr(start, text.find(' ', start) - start);
    }
    return switches;
}

std::string JoinArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        if (NeedsQuotes(argv[i]))
            AppendQuoted(line, argv[i]);
        else
            line += argv[i];
    }
    return line;
}

ApplicationProfile::ApplicationProfile(std::string applicationName)
    : applicationKey_(std::string("Software\\") + kProfileRegistryKey + '\\' +
                      std::move(applicationName)) {}

std::string ApplicationProfile::SectionKey(const char* section) const {
    if (section == nullptr || *section == '\0')
        return applicationKey_;
    return applicationKey_ + '\\' + section;
}

UINT ApplicationProfile::GetProfileIntA(const char* section, const char* entry,
                                        int defaultValue) const {
    // Reading opens without creating: a user who never chose leaves no keys.
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SectionKey(section).c_str(), 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return static_cast<UINT>(defaultValue);
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof value;
    const LONG result =
        RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        return static_cast<UINT>(defaultValue);
    return value;
}

BOOL ApplicationProfile::WriteProfileIntA(const char* section, const char* entry, int value) const {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SectionKey(section).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return FALSE;
    const DWORD data = static_cast<DWORD>(value);
    const LONG result =
        RegSetValueExA(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? TRUE : FALSE;
}

std::string RunningProgramPath() {
    // Long enough for any path the platform hands back, unlike MAX_PATH.
    // The buffer stays empty when the path cannot be had; a path is always terminated.
    std::vector<char> path(32768, '\0');
    GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return std::string(path.data());
}

std::string ApplicationNameOf(const std::string& programPath) {
    const std::string fileName = FileNameOf(programPath);
    return fileName.substr(0, fileName.find_last_of('.'));
}

bool IsBetaBuild(const std::string& programPath) {
    return ascii::ToLower(FileNameOf(programPath)).find("beta") != std::string::npos;
}

CQVUUpdateApp::CQVUUpdateApp(std::string programPath)
    : programPath_(std::move(programPath)), appName_(ApplicationNameOf(programPath_)),
      profile_(appName_) {}

BOOL CQVUUpdateApp::InitInstance(const std::string& commandLine, UpdateFrontEnd& frontEnd) {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    const StartupSwitches switches = ReadStartupSwitches(commandLine);
    autoStart_ = switches.autostart;
    displayAddress_ = switches.displayAddress;

    CQVUUpdateDlg dialog(*this, frontEnd);
    dialog.DoModal();
    outcome_ = dialog.Outcome();
    if (outcome_ == RunOutcome::Refused || outcome_ == RunOutcome::InstallerNotStarted)
        LogFailure(dialog.LastMessage());
    return FALSE;
}

void CQVUUpdateApp::LogFailure(const std::string& message) const {
    // One line, so that an unattended run's failure can be read afterwards:
    // the message's own line breaks become spaces, and the server's text in
    // it keeps its control characters only as visible escapes.
    std::string reason = message.empty() ? "no message was shown" : message;
    std::replace(reason.begin(), reason.end(), '\n', ' ');
    const std::string line = appName_ + ": the update ended without installing: " + reason;
    TraceLog(1).Format(1, "%s", VisibleControls(line).c_str());
}

int ExitStatusOf(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::InstallerStarted:
        return 0;
    case RunOutcome::EndedByUser:
        return kExitEndedByUser;
    case RunOutcome::Refused:
    case RunOutcome::InstallerNotStarted:
        break;
    }
    return kExitFailed;
}

const char* UpdateManagerVersion() {
    return kUpdateManagerVersion;
}
