// For platform/ only: one HTTP exchange on libcurl, shared by the WinInet
// functions and the internet session classes. The body is streamed: libcurl
// is driven only while a caller waits for bytes, so a body of any size passes
// through libcurl's buffer, a spill of a few hundred KiB and the caller's block.
#pragma once

#include "platform/win_types.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// How a session reaches the network: the arguments of InternetOpenA.
struct InternetSessionSettings {
    std::string agent;
    DWORD accessType = 0;
    std::string proxy;
    std::string proxyBypass;
    // Each answer must come whole within the receive time-out of its
    // connection (LimitInternetSessionTime).
    bool wholeWithinReceiveTimeout = false;
};

struct InternetRequest {
    std::string url;
    std::string verb = "GET";
    // Further request headers, "Name: value" lines separated by CR LF.
    std::string extraHeaders;
    DWORD flags = 0;
};

class InternetTransfer {
public:
    InternetTransfer(const InternetSessionSettings& session, InternetRequest request);
    ~InternetTransfer();
    InternetTransfer(const InternetTransfer&) = delete;
    InternetTransfer& operator=(const InternetTransfer&) = delete;

    // Sends the request and waits for the headers of the final answer (after
    // redirections). False when no answer came; Error() tells why.
    bool Start();

    // Fills the block until it is full or the body ends; count is what came.
    // A failure after some bytes answers true with them and fails the next read.
    bool Read(char* buffer, std::size_t size, std::size_t& count);

    // Status code of the final answer, 0 before it.
    long StatusCode() const;
    // First header of the final answer with that name (any case).
    std::optional<std::string> Header(std::string_view name) const;

    // The WinInet error code of the failure, 0 while there is none.
    DWORD Error() const { return error_; }
    // Its description: the system's text, then libcurl's detail in brackets.
    std::string ErrorText() const;

private:
    static std::size_t WriteCallback(char* data, std::size_t, std::size_t size, void* self);
    static std::size_t HeaderCallback(char* data, std::size_t, std::size_t size, void* self);
    static int ConnectedCallback(void* self, char*, char*, int, int);
    std::size_t OnBody(const char* data, std::size_t size);
    // False abandons the transfer (the failure recorded).
    bool OnHeaderLine(std::string_view line);
    bool OnHeadersEnd();

    bool Configure();
    template <class Done> void Pump(Done done);
    // The nearest time by which something must have come whole, and what.
    std::optional<std::pair<std::chrono::steady_clock::time_point, const char*>> Deadline() const;
    void CollectResult();
    void Fail(DWORD error, std::string detail);
    std::size_t TakeSpill(char* buffer, std::size_t size);

    InternetSessionSettings session_;
    InternetRequest request_;
    CURL* easy_ = nullptr;
    CURLM* multi_ = nullptr;
    curl_slist* headerList_ = nullptr;
    bool added_ = false;
    char curlError_[CURL_ERROR_SIZE] = {};
    std::string detail_;
    std::chrono::milliseconds receiveTimeout_;

    // The caller's block while a read waits, and what did not fit into it.
    char* block_ = nullptr;
    std::size_t blockSize_ = 0;
    std::size_t blockFilled_ = 0;
    std::vector<char> spill_;
    std::size_t spillStart_ = 0;
    bool paused_ = false;

    bool connected_ = false;
    bool headersDone_ = false;
    bool bodyStarted_ = false;
    bool finished_ = false;
    // The current answer's first Location.
    std::optional<std::string> location_;
    std::vector<std::pair<std::string, std::string>> headers_;
    // The final answer's Content-Length, when it is a number: the body ends
    // there, and a connection closed before it is a broken transfer.
    std::optional<std::uint64_t> bodyLength_;
    std::uint64_t bodyReceived_ = 0;
    std::chrono::steady_clock::time_point lastActivity_;
    // When the answer must have come whole (wholeWithinReceiveTimeout).
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    // When the answer's headers must have come whole, whatever the session:
    // a server that sends a header line now and then never falls silent.
    std::optional<std::chrono::steady_clock::time_point> headersDeadline_;
    DWORD error_ = 0;
};

} // namespace platform
