#include "update/SelfCheck.h"

#include "localization/XMLLocalizer.h"
#include "platform/file_times.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/http_session.h"
#include "platform/strings.h"
#include "platform/window.h"
#include "update/Download.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr char kUpdateServerBase[] = "https://update.quorvane.example";
constexpr char kUpdateServerHost[] = "update.quorvane.example";
// The update manager's own check talks plain HTTP to the built-in server.
constexpr int kUpdateServerCheckPort = 80;

// A host name (letters, digits, '-', '.', '_') or a bracketed IPv6 literal.
bool IsHost(std::string_view host) {
    if (host.empty())
        return false;
    if (host.front() == '[') {
        if (host.size() < 4 || host.back() != ']')
            return false;
        for (const char c : host.substr(1, host.size() - 2))
            if (!ascii::IsHexDigit(c) && c != ':' && c != '.')
                return false;
        return true;
    }
    for (const char c : host)
        if (!ascii::IsLetter(c) && !ascii::IsDigit(c) && c != '-' && c != '.' && c != '_')
            return false;
    return true;
}

std::optional<int> ParsePort(std::string_view text) {
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    int port = 0;
    for (const char c : text) {
        if (!ascii::IsDigit(c))
            return std::nullopt;
        port = port * 10 + (c - '0');
    }
    if (port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

// Path characters: printable, and nothing that would end the path or make
// an address appended to it mean something else.
bool IsPath(std::string_view path) {
    for (const char c : path)
        if (c <= ' ' || c == 0x7F || c == '?' || c == '#' || c == '\\')
            return false;
    return true;
}

std::optional<ServerAddress> FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return ParseServerAddress(value);
}

constexpr char kProgramObject[] = "/?File=ZoZuzaviz/QVUUpdate.exe";
constexpr char kBetaProgramObject[] = "/?File=ZoZuzaviz/QVUUpdateBeta.exe";
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
// Copying the program may shift its time a little; the server's copy must
// be clearly younger to count.
constexpr std::uint64_t kTimeTolerance = 30ull * 10'000'000;

constexpr char kBetaQuestion[] = "A newer version of the Zelvo Update Manager is available!\n"
                                 "* Size (local: %d bytes / remote: %d bytes)\n"
                                 "* Time Stamp (local: %s / remote: %s)\n"
                                 "\n"
                                 "Do you want to download this version now? (Beta only)";

struct ProgramFile {
    DWORD size = 0;
    FILETIME lastWrite{}; // UTC
};

std::uint64_t Ticks(const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}
FILETIME FromTicks(std::uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// 1 January 2000, midnight local time: the time of a program file whose
// status cannot be read.
FILETIME DefaultProgramTime() {
    const SYSTEMTIME local{2000, 1, 6, 1, 0, 0, 0, 0};
    FILETIME localTime{}, utc{};
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &utc);
    return utc;
}

// Size and last-write time read through a handle, which works also where
// the file system keeps no creation time.
ProgramFile RunningProgramFile() {
    ProgramFile program;
    program.lastWrite = DefaultProgramTime();
    char path[MAX_PATH] = {};
    if (GetModuleFileNameA(nullptr, path, sizeof path) == 0)
        return program;
    const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return program;
    FILETIME lastWrite{};
    const DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE && GetFileTime(file, nullptr, nullptr, &lastWrite)) {
        program.size = size;
        program.lastWrite = lastWrite;
    }
    CloseHandle(file);
    return program;
}

struct ServerCopy {
    DWORD status = 0;
    std::optional<DWORD> size;
    std::optional<SYSTEMTIME> lastWrite; // UTC
};

ServerCopy AskServer(bool beta) {
    CInternetSession session(kUpdateUserAgent, 1, PRE_CONFIG_INTERNET_ACCESS);
    const std::unique_ptr<CHttpConnection> connection = session.GetHttpConnection(
        UpdateServerHost().c_str(), static_cast<INTERNET_PORT>(UpdateServerPort()));
    const DWORD flags = kRequestFlags | (UpdateServerIsSecure() ? INTERNET_FLAG_SECURE : 0);
    const std::unique_ptr<CHttpFile> request = connection->OpenRequest(
        "GET", beta ? kBetaProgramObject : kProgramObject, nullptr, 1, nullptr, nullptr, flags);
    request->SendRequest();
    ServerCopy copy;
    request->QueryInfoStatusCode(copy.status);
    DWORD size = 0;
    if (request->QueryInfo(HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, size))
        copy.size = size;
    SYSTEMTIME lastWrite{};
    if (request->QueryInfo(HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, lastWrite))
        copy.lastWrite = lastWrite;
    request->Close();
    connection->Close();
    session.Close();
    return copy;
}

bool IsLater(const SYSTEMTIME& time, const FILETIME& reference) {
    FILETIME fileTime{};
    return SystemTimeToFileTime(&time, &fileTime) && CompareFileTime(&fileTime, &reference) > 0;
}

std::string ShownTime(const SYSTEMTIME& time) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.wYear, time.wMonth,
                  time.wDay, time.wHour, time.wMinute, time.wSecond);
    return text;
}

bool UserWantsBetaUpdate(HWND owner, const char* caption, const ProgramFile& program,
                         const FILETIME& adjustedLocalTime, const ServerCopy& copy) {
    SYSTEMTIME local{};
    FileTimeToSystemTime(&adjustedLocalTime, &local);
    const SYSTEMTIME remote = copy.lastWrite.value_or(SYSTEMTIME{});
    char text[512];
    std::snprintf(text, sizeof text, kBetaQuestion, static_cast<int>(program.size),
                  static_cast<int>(copy.size.value_or(0)), ShownTime(local).c_str(),
                  ShownTime(remote).c_str());
    return MessageBoxA(owner, text, caption, MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

} // namespace

std::optional<ServerAddress> ParseServerAddress(std::string_view text) {
    const std::size_t schemeEnd = text.find("://");
    if (schemeEnd == std::string_view::npos)
        return std::nullopt;
    const std::string_view scheme = text.substr(0, schemeEnd);
    const bool https = ascii::EqualsIgnoringCase(scheme, "https");
    if (!https && !ascii::EqualsIgnoringCase(scheme, "http"))
        return std::nullopt;

    const std::string_view rest = text.substr(schemeEnd + 3);
    const std::size_t pathStart = std::min(rest.find('/'), rest.size());
    const std::string_view authority = rest.substr(0, pathStart);
    const std::string_view path = rest.substr(pathStart);
    if (!IsPath(path))
        return std::nullopt;

    // The port follows the last ':' outside an IPv6 literal's brackets.
    const std::size_t closing = authority.rfind(']');
    const std::size_t colon = authority.rfind(':');
    const bool hasPort =
        colon != std::string_view::npos && (closing == std::string_view::npos || colon > closing);
    const std::string_view host = hasPort ? authority.substr(0, colon) : authority;
    if (!IsHost(host))
        return std::nullopt;
    std::optional<int> port = https ? 443 : 80;
    if (hasPort)
        port = ParsePort(authority.substr(colon + 1));
    if (!port)
        return std::nullopt;

    std::string_view base = text;
    while (base.back() == '/')
        base.remove_suffix(1);
    return ServerAddress{std::string(base), std::string(host), *port, https};
}

std::string UpdateServerBaseAddress() {
    if (const auto configured = FromEnvironment("QVU_UPDATE_SERVER"))
        return configured->base;
    return kUpdateServerBase;
}

std::string UpdateServerHost() {
    if (const auto configured = FromEnvironment("QVU_UPDATE_SERVER"))
        return configured->host;
    return kUpdateServerHost;
}

int UpdateServerPort() {
    if (const auto configured = FromEnvironment("QVU_UPDATE_SERVER"))
        return configured->port;
    return kUpdateServerCheckPort;
}

bool UpdateServerIsSecure() {
    if (const auto configured = FromEnvironment("QVU_UPDATE_SERVER"))
        return configured->secure;
    return false;
}

std::string WebServerAddress() {
    if (const auto configured = FromEnvironment("QVU_WEB_SERVER"))
        return configured->base + "/";
    return kWebServerRoot;
}

std::string WebPageAddress(const std::string& tableAddress) {
    const std::string_view builtIn = kWebServerRoot;
    if (!tableAddress.starts_with(builtIn))
        return tableAddress;
    return WebServerAddress() + tableAddress.substr(builtIn.size());
}

bool CheckForNewerUpdateManager(bool beta, const XMLLocalizer& localizer, HWND owner,
                                const char* caption, bool& autostart) {
    const ProgramFile program = RunningProgramFile();
    const ServerCopy copy = AskServer(beta);
    const FILETIME adjustedLocalTime = FromTicks(Ticks(program.lastWrite) + kTimeTolerance);

    bool newer = false;
    if (copy.status == 200) {
        if (copy.size && *copy.size != program.size)
            newer = true;
        if (copy.lastWrite && IsLater(*copy.lastWrite, adjustedLocalTime))
            newer = true;
    }
    if (!newer)
        return false;

    if (beta) {
        newer = UserWantsBetaUpdate(owner, caption, program, adjustedLocalTime, copy);
    } else {
        MessageBoxA(owner, localizer.GetText("ERROR_NEWERUPDATEMANAGERAVAILABLE").c_str(), caption,
                    MB_ICONEXCLAMATION | MB_OK);
    }
    // A run that goes on never starts the download by itself.
    autostart = false;
    return newer;
}
