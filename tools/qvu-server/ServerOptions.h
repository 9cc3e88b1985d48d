// The command line of qvu-server.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// How every answer breaks inside its header, if it does.
enum class HeaderFault { None, Cut, Trickle };

struct ServerOptions {
    std::filesystem::path root;
    int port = 0;
    // https with this certificate and private key (PEM files); http when empty.
    std::filesystem::path certificate;
    std::filesystem::path privateKey;
    // Every request's line and headers are appended here, when set.
    std::filesystem::path requestLog;
    // Misbehaviours, for the requests they apply to (see AppliesTo).
    std::optional<std::uint64_t> cutAfter;
    std::optional<std::uint64_t> stallAfter;
    // After that many body bytes, one byte a second: the connection never
    // falls silent for long, yet the body hardly moves.
    std::optional<std::uint64_t> trickleAfter;
    std::optional<int> status;
    bool contentLength = true;
    // A Content-Length sent as given instead of the file's size ("abc", "-5").
    std::optional<std::string> contentLengthText;
    // Answers 302 with Location: this address followed by the request target.
    std::string redirect;
    bool lastModified = true;
    // "Content-Disposition: attachment": a browser is asked to store the file.
    bool attachment = false;
    HeaderFault headerFault = HeaderFault::None;
    // The one request target (path and query, as sent) that misbehaves; empty: all.
    std::string only;
    // Every file's body goes out at no more than this many bytes a second,
    // whatever only says: tests need time to act during a download.
    std::optional<std::uint64_t> rate;

    bool AppliesTo(const std::string& target) const { return only.empty() || target == only; }
    bool Secure() const { return !certificate.empty(); }
    // Whether a body of the answers may be ended by closing the connection.
    bool EndsBodiesByClosing() const { return !contentLength || contentLengthText.has_value(); }
};

// What the command line asks for: run with options, show the help, or fail.
struct ParsedCommandLine {
    enum class Action { Run, Help, Fail } action = Action::Fail;
    ServerOptions options;
    std::string error;
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

extern const char* const kUsage;
