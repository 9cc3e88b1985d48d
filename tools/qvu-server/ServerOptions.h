// The command line of qvu-server.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct ServerOptions {
    std::filesystem::path root;
    int port = 0;
    // Misbehaviours, for the requests they apply to (see AppliesTo).
    std::optional<std::uint64_t> cutAfter;
    std::optional<std::uint64_t> stallAfter;
    std::optional<int> status;
    bool contentLength = true;
    bool lastModified = true;
    bool closeInHeader = false;
    // The one request target (path and query, as sent) that misbehaves; empty: all.
    std::string only;

    bool AppliesTo(const std::string& target) const { return only.empty() || target == only; }
};

// What the command line asks for: run with options, show the help, or fail.
struct ParsedCommandLine {
    enum class Action { Run, Help, Fail } action = Action::Fail;
    ServerOptions options;
    std::string error;
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

extern const char* const kUsage;
