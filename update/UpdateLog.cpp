#include "update/UpdateLog.h"

#include "base/CreateFolderPath.h"
#include "base/VisibleText.h"
#include "localization/XMLLocalizer.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/strings.h"
#include "platform/time.h"
#include "update/SelfCheck.h"
#include "update/UpdateDescription.h"

#include <cstdio>
#include <vector>

namespace {

constexpr char kDatapathsSection[] = "VAZuvedev_#_Datapaths";
constexpr char kLocationsSection[] = "VAZuvedev_#_Locations";
// The settings file of a data path that is named by its folder.
constexpr char kDataSettingsName[] = "QVUD.ini";

constexpr char kRule[] = "============================================================\n";

template <typename... Args> std::string Format(const char* format, Args... args) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

void CreateFolders(const std::string& folder) {
    std::vector<char> path(folder.begin(), folder.end());
    path.push_back('\0');
    CreateFolderPath(path.data());
}

// Appends text at the end of the file, creating it when missing. Text mode,
// so every "\n" is stored as CR LF; shared with every other open, as the
// Windows Installer of an earlier installation may still write into it.
bool AppendText(const std::string& path, const std::string& text) {
    std::FILE* file = _fsopen(path.c_str(), "a+", _SH_DENYNO);
    if (file == nullptr)
        return false;
    bool written = std::fseek(file, 0, SEEK_END) == 0 && std::fputs(text.c_str(), file) >= 0 &&
                   std::fflush(file) == 0;
    written = std::fclose(file) == 0 && written;
    return written;
}

// The day's log in the product's Log location, else in defaultFolder, with
// its folders made.
std::string TodaysLogPath(const std::string& settingsFolder, const std::string& defaultFolder,
                          const SYSTEMTIME& now) {
    std::string folder = ResolveDataLocation(settingsFolder, "Log", true);
    if (folder.empty())
        folder = defaultFolder;
    CreateFolders(folder);
    return UpdateLogPath(folder, now);
}

std::string DateAndTime(const SYSTEMTIME& now) {
    return Format("%02d/%02d/%04d - %02d:%02d:%02d", now.wMonth, now.wDay, now.wYear, now.wHour,
                  now.wMinute, now.wSecond);
}

} // namespace

std::string ResolveDataLocation(const std::string& settingsFolder, const char* locationName,
                                bool closingBackslash) {
    const std::string productSettings = settingsFolder + "Rered.ini";
    const UINT active =
        GetPrivateProfileIntA(kDatapathsSection, "NextActivePath", 0, productSettings.c_str());
    const std::string pathKey = "Path" + std::to_string(active);
    std::string dataSettings = ReadProfileText(productSettings, kDatapathsSection, pathKey.c_str());
    if (dataSettings.empty())
        return {};
    if (dataSettings.back() == '\\')
        dataSettings += kDataSettingsName;
    if (_access(dataSettings.c_str(), 4) != 0)
        return {};

    std::string location = ReadProfileText(dataSettings, kLocationsSection, locationName);
    if (!location.empty() && closingBackslash && location.back() != '\\')
        location += '\\';
    return location;
}

std::string UpdateLogPath(const std::string& folder, const SYSTEMTIME& now) {
    return folder + Format("QVUUpdate(%04d-%02d-%02d).log", now.wYear, now.wMonth, now.wDay);
}

bool IsUpdateLogName(std::string_view name) {
    constexpr std::string_view start = "QVUUpdate(";
    constexpr std::string_view end = ").log";
    return name.size() >= start.size() + end.size() &&
           ascii::EqualsIgnoringCase(name.substr(0, start.size()), start) &&
           ascii::EqualsIgnoringCase(name.substr(name.size() - end.size()), end);
}

std::string UpdateLogHeader(const std::string& headline, const SYSTEMTIME& now,
                            const std::string& installedVersion,
                            const std::string& offeredVersion) {
    std::string header = kRule;
    header += headline + " v" + kUpdateManagerVersion + "\n";
    header += "Date: " + DateAndTime(now) + "\n";
    // The versions come from the product's files and from the server.
    header += "Current Version: " + VisibleControls(installedVersion) + "\n";
    header += "Update Version : " + VisibleControls(offeredVersion) + "\n";
    header += kRule;
    return header;
}

bool CreateUpdateLog(const std::string& settingsFolder, const std::string& installedVersion,
                     const std::string& offeredVersion, const std::string& descriptionNote,
                     const XMLLocalizer& localizer, const std::string& defaultFolder,
                     std::string& logPath) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    logPath = TodaysLogPath(settingsFolder, defaultFolder, now);
    std::string text =
        UpdateLogHeader(localizer.GetText("APP_HEADLINE"), now, installedVersion, offeredVersion);
    if (!descriptionNote.empty())
        text += VisibleControls(descriptionNote) + "\n";
    return AppendText(logPath, text);
}

bool AppendUpdateLogLine(const std::string& settingsFolder, const std::string& defaultFolder,
                         const std::string& text) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return AppendText(TodaysLogPath(settingsFolder, defaultFolder, now),
                      DateAndTime(now) + "  " + VisibleControls(text) + "\n");
}
