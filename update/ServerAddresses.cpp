#include "update/ServerAddresses.h"

#include "localization/WebServer.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr char kUpdateServerBase[] = "https://update.quorvane.example";
constexpr char kUpdateServerHost[] = "update.quorvane.example";
// The update manager's own check talks plain HTTP to the built-in server.
constexpr int kUpdateServerCheckPort = 80;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (c != lower[i])
            return false;
    }
    return true;
}

// A host name (letters, digits, '-', '.', '_') or a bracketed IPv6 literal.
bool IsHost(std::string_view host) {
    if (host.empty())
        return false;
    if (host.front() == '[') {
        if (host.size() < 4 || host.back() != ']')
            return false;
        for (const char c : host.substr(1, host.size() - 2))
            if (!IsHexDigit(c) && c != ':' && c != '.')
                return false;
        return true;
    }
    for (const char c : host)
        if (!IsLetter(c) && !IsDigit(c) && c != '-' && c != '.' && c != '_')
            return false;
    return true;
}

std::optional<int> ParsePort(std::string_view text) {
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    int port = 0;
    for (const char c : text) {
        if (!IsDigit(c))
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

} // namespace

std::optional<ServerAddress> ParseServerAddress(std::string_view text) {
    const std::size_t schemeEnd = text.find("://");
    if (schemeEnd == std::string_view::npos)
        return std::nullopt;
    const std::string_view scheme = text.substr(0, schemeEnd);
    const bool https = EqualsIgnoringCase(scheme, "https");
    if (!https && !EqualsIgnoringCase(scheme, "http"))
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
    return ServerAddress{std::string(base), std::string(host), *port};
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
