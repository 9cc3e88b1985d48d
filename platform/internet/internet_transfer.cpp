#include "platform/internet/internet_transfer.h"

#include "platform/internet.h"
#include "platform/internet/internet_errors.h"
#include "platform/strings.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// WinInet's default time-outs: 60 s to connect, 30 s without data. Tests
// shorten them through the environment (milliseconds), so that a stalled
// server fails in a second; nothing else should set these:
//   QVU_HTTP_CONNECT_TIMEOUT_MS   connecting, name resolution included
//   QVU_HTTP_RECEIVE_TIMEOUT_MS   waiting for the answer or the next bytes of it
constexpr long kConnectTimeoutMs = 60000;
constexpr long kReceiveTimeoutMs = 30000;
// Longest single wait in libcurl, so that a stall is noticed in time.
constexpr long kLongestPollMs = 1000;
constexpr long kMaxRedirections = 10;
// libcurl receives up to this much per call and may hand over several such
// pieces in one pass; up to the spill limit they wait here for the next reads
// (one memcpy out of a warm cache), beyond it libcurl is paused, which costs a
// copy of the rest inside libcurl and is kept rare.
constexpr long kReceiveBufferSize = 128 * 1024;
constexpr std::size_t kSpillLimit = 2 * kReceiveBufferSize;

long TimeoutFromEnvironment(const char* name, long fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return fallback;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return *end == '\0' && value > 0 ? value : fallback;
}

void InitializeCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Answers libcurl follows to another address instead of handing them over.
bool IsFollowedRedirection(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view start) {
    return text.size() >= start.size() &&
           ascii::EqualsIgnoringCase(text.substr(0, start.size()), start);
}

// A Content-Length as WinInet reads it: decimal digits only. Nothing for
// anything else (no number, a sign, too large), which counts as no length.
std::optional<std::uint64_t> ParseContentLength(std::string_view text) {
    std::uint64_t length = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, length);
    if (text.empty() || !ascii::IsDigit(text.front()) || failure != std::errc() || stop != end)
        return std::nullopt;
    return length;
}

// WinInet separates the bypass list with semicolons or blanks, libcurl with commas.
std::string CurlBypassList(std::string list) {
    std::replace_if(
        list.begin(), list.end(), [](char c) { return c == ';' || c == ' '; }, ',');
    return list;
}

} // namespace

InternetTransfer::InternetTransfer(const InternetSessionSettings& session, InternetRequest request)
    : session_(session), request_(std::move(request)),
      receiveTimeout_(TimeoutFromEnvironment("QVU_HTTP_RECEIVE_TIMEOUT_MS", kReceiveTimeoutMs)) {}

InternetTransfer::~InternetTransfer() {
    if (added_)
        curl_multi_remove_handle(multi_, easy_);
    curl_easy_cleanup(easy_);
    curl_multi_cleanup(multi_);
    curl_slist_free_all(headerList_);
}

bool InternetTransfer::Configure() {
    InitializeCurl();
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    if (easy_ == nullptr || multi_ == nullptr)
        return false;
    CURL* e = easy_;
    curl_easy_setopt(e, CURLOPT_URL, request_.url.c_str());
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirections);
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, curlError_);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                     TimeoutFromEnvironment("QVU_HTTP_CONNECT_TIMEOUT_MS", kConnectTimeoutMs));
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &InternetTransfer::WriteCallback);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &InternetTransfer::HeaderCallback);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &InternetTransfer::ConnectedCallback);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, this);
    // libcurl refuses an answer whose Content-Length is no number; WinInet
    // reads it to the connection's close. The length is therefore read here
    // (OnHeadersEnd), and the connection closes after every answer, so that
    // its close ends a body of unknown length and nothing waits on a
    // connection kept open (every transfer has a connection of its own).
    curl_easy_setopt(e, CURLOPT_IGNORE_CONTENT_LENGTH, 1L);
    // An authority of the administrator's (or a test's) besides the system's:
    // this file replaces libcurl's default bundle, while the system's
    // certificate folder (libcurl's default CAPATH, /etc/ssl/certs) is read
    // as before. Verification always stays on.
    if (const char* authorities = std::getenv("QVU_CA_FILE");
        authorities != nullptr && *authorities != '\0')
        curl_easy_setopt(e, CURLOPT_CAINFO, authorities);
    if (!session_.agent.empty())
        curl_easy_setopt(e, CURLOPT_USERAGENT, session_.agent.c_str());

    // The preconfigured access leaves libcurl to read http_proxy, https_proxy
    // and no_proxy, the system's proxy settings here.
    if (session_.accessType == INTERNET_OPEN_TYPE_DIRECT) {
        curl_easy_setopt(e, CURLOPT_PROXY, "");
    } else if (session_.accessType == INTERNET_OPEN_TYPE_PROXY) {
        curl_easy_setopt(e, CURLOPT_PROXY, session_.proxy.c_str());
        session_.proxyBypass = CurlBypassList(session_.proxyBypass);
        curl_easy_setopt(e, CURLOPT_NOPROXY, session_.proxyBypass.c_str());
    }

    if (request_.verb == "HEAD")
        curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
    else if (request_.verb != "GET")
        curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, request_.verb.c_str());

    std::vector<std::string> lines{"Connection: close"};
    if (request_.flags & INTERNET_FLAG_RELOAD) {
        // A fresh answer from the server, never one kept by a cache on the way.
        lines.emplace_back("Cache-Control: no-cache");
        lines.emplace_back("Pragma: no-cache");
    }
    std::string_view extra = request_.extraHeaders;
    while (!extra.empty()) {
        const std::size_t end = std::min(extra.find('\n'), extra.size());
        if (const std::string_view line = Trim(extra.substr(0, end)); !line.empty())
            lines.emplace_back(line);
        extra.remove_prefix(std::min(end + 1, extra.size()));
    }
    for (const std::string& line : lines)
        headerList_ = curl_slist_append(headerList_, line.c_str());
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headerList_);

    added_ = curl_multi_add_handle(multi_, easy_) == CURLM_OK;
    return added_;
}

bool InternetTransfer::Start() {
    if (!Configure()) {
        Fail(ERROR_INTERNET_INTERNAL_ERROR, "libcurl could not be set up");
        return false;
    }
    Pump([this] { return headersDone_ || bodyStarted_; });
    // Once the answer's headers are in, a later failure belongs to the reads.
    if (headersDone_ || bodyStarted_)
        return true;
    // libcurl takes a connection closed inside the headers for an empty answer.
    if (error_ == 0)
        Fail(ERROR_HTTP_INVALID_SERVER_RESPONSE,
             "the connection closed inside the answer's headers");
    return false;
}

bool InternetTransfer::Read(char* buffer, std::size_t size, std::size_t& count) {
    count = TakeSpill(buffer, size);
    if (count < size && !finished_) {
        block_ = buffer;
        blockSize_ = size;
        blockFilled_ = count;
        if (paused_) {
            // libcurl hands the held bytes over at once, into this block.
            paused_ = false;
            curl_easy_pause(easy_, CURLPAUSE_CONT);
        }
        Pump([this] { return blockFilled_ == blockSize_; });
        count = blockFilled_;
        block_ = nullptr;
    }
    return count > 0 || error_ == 0;
}

std::size_t InternetTransfer::TakeSpill(char* buffer, std::size_t size) {
    const std::size_t taken = std::min(size, spill_.size() - spillStart_);
    if (taken > 0)
        std::memcpy(buffer, spill_.data() + spillStart_, taken);
    spillStart_ += taken;
    if (spillStart_ == spill_.size()) {
        spill_.clear();
        spillStart_ = 0;
    }
    return taken;
}

template <class Done> void InternetTransfer::Pump(Done done) {
    lastActivity_ = Clock::now();
    while (!finished_ && !done()) {
        int running = 0;
        if (curl_multi_perform(multi_, &running) != CURLM_OK) {
            Fail(ERROR_INTERNET_INTERNAL_ERROR, "libcurl failed");
            return;
        }
        CollectResult();
        if (finished_ || done())
            return;
        long waitMs = kLongestPollMs;
        if (const auto deadline = Deadline()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline->first - Clock::now());
            if (left.count() <= 0) {
                Fail(ERROR_INTERNET_TIMEOUT, std::string(deadline->second) +
                                                 " did not come whole within " +
                                                 std::to_string(receiveTimeout_.count()) + " ms");
                return;
            }
            waitMs = std::min<long>(waitMs, left.count());
        }
        if (connected_) {
            const auto silent =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastActivity_);
            if (silent >= receiveTimeout_) {
                Fail(ERROR_INTERNET_TIMEOUT,
                     "no data from the server for " + std::to_string(silent.count()) + " ms");
                return;
            }
            waitMs = std::min<long>(waitMs, (receiveTimeout_ - silent).count());
        }
        curl_multi_poll(multi_, nullptr, 0, static_cast<int>(waitMs), nullptr);
    }
}

std::optional<std::pair<Clock::time_point, const char*>> InternetTransfer::Deadline() const {
    // The whole answer's deadline, when there is one, is also its headers'.
    if (deadline_)
        return std::pair{*deadline_, "the answer"};
    if (headersDeadline_ && !headersDone_ && !bodyStarted_)
        return std::pair{*headersDeadline_, "the answer's headers"};
    return std::nullopt;
}

void InternetTransfer::CollectResult() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        const CURLcode result = message->data.result;
        if (result == CURLE_OK && bodyLength_ && bodyReceived_ < *bodyLength_)
            Fail(ERROR_INTERNET_CONNECTION_ABORTED,
                 "the connection closed " + std::to_string(*bodyLength_ - bodyReceived_) +
                     " bytes before the end of the body");
        else if (result == CURLE_OK)
            finished_ = true;
        else
            Fail(InternetErrorFromCurl(result),
                 curlError_[0] != '\0' ? curlError_ : curl_easy_strerror(result));
    }
}

void InternetTransfer::Fail(DWORD error, std::string detail) {
    finished_ = true;
    if (error_ != 0)
        return;
    error_ = error;
    detail_ = std::move(detail);
}

std::string InternetTransfer::ErrorText() const {
    if (error_ == 0)
        return {};
    std::string text = InternetErrorText(error_);
    if (!detail_.empty())
        text += " (" + detail_ + ")";
    return text;
}

long InternetTransfer::StatusCode() const {
    long status = 0;
    if (easy_ != nullptr)
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

std::optional<std::string> InternetTransfer::Header(std::string_view name) const {
    for (const auto& [headerName, value] : headers_)
        if (ascii::EqualsIgnoringCase(headerName, name))
            return value;
    return std::nullopt;
}

std::size_t InternetTransfer::WriteCallback(char* data, std::size_t, std::size_t size, void* self) {
    return static_cast<InternetTransfer*>(self)->OnBody(data, size);
}

std::size_t InternetTransfer::HeaderCallback(char* data, std::size_t, std::size_t size,
                                             void* self) {
    // Any other count than size makes libcurl abandon the transfer.
    return static_cast<InternetTransfer*>(self)->OnHeaderLine(std::string_view(data, size)) ? size
                                                                                            : 0;
}

int InternetTransfer::ConnectedCallback(void* self, char*, char*, int, int) {
    auto* transfer = static_cast<InternetTransfer*>(self);
    transfer->connected_ = true;
    transfer->lastActivity_ = Clock::now();
    // Every connection (a redirection makes another) starts the answer's time.
    transfer->headersDeadline_ = transfer->lastActivity_ + transfer->receiveTimeout_;
    if (transfer->session_.wholeWithinReceiveTimeout)
        transfer->deadline_ = transfer->headersDeadline_;
    return CURL_PREREQFUNC_OK;
}

std::size_t InternetTransfer::OnBody(const char* data, std::size_t size) {
    // Bytes that found no block wait in the spill; beyond its limit they stay
    // in libcurl (paused), which stops reading the socket until the reads
    // have emptied the spill.
    if (spill_.size() - spillStart_ >= kSpillLimit) {
        paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    lastActivity_ = Clock::now();
    bodyStarted_ = true;
    // Past the announced length nothing belongs to the body.
    std::size_t kept = size;
    if (bodyLength_)
        kept =
            static_cast<std::size_t>(std::min<std::uint64_t>(size, *bodyLength_ - bodyReceived_));
    bodyReceived_ += kept;
    if (bodyLength_ && bodyReceived_ == *bodyLength_)
        finished_ = true;
    std::size_t taken = 0;
    if (block_ != nullptr) {
        taken = std::min(kept, blockSize_ - blockFilled_);
        std::memcpy(block_ + blockFilled_, data, taken);
        blockFilled_ += taken;
    }
    spill_.insert(spill_.end(), data + taken, data + kept);
    return size;
}

bool InternetTransfer::OnHeaderLine(std::string_view line) {
    lastActivity_ = Clock::now();
    if (headersDone_)
        return true; // trailers of a chunked body
    if (line.substr(0, 5) == "HTTP/") {
        // Each answer (an interim one, a redirection, the final one) starts afresh.
        headers_.clear();
        location_.reset();
        return true;
    }
    line = Trim(line);
    if (line.empty())
        return OnHeadersEnd();
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return true;
    const std::string_view name = Trim(line.substr(0, colon));
    const std::string_view value = Trim(line.substr(colon + 1));
    headers_.emplace_back(name, value);
    if (ascii::EqualsIgnoringCase(name, "Location") && !location_)
        location_ = std::string(value);
    return true;
}

bool InternetTransfer::OnHeadersEnd() {
    const long status = StatusCode();
    if (location_ && IsFollowedRedirection(status)) {
        // As WinInet: what came over https never leads on over plain http,
        // where anyone on the way could answer in the server's name.
        const char* current = nullptr;
        curl_easy_getinfo(easy_, CURLINFO_EFFECTIVE_URL, &current);
        if (current != nullptr && StartsWithIgnoringCase(current, "https:") &&
            StartsWithIgnoringCase(*location_, "http:")) {
            Fail(ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR,
                 "a redirection from https to " + *location_ + " was refused");
            return false;
        }
        return true;
    }
    if (status < 200)
        return true;
    headersDone_ = true;
    // A body framed otherwise (chunks), or none at all, has no length to keep to.
    const bool bodyless = request_.verb == "HEAD" || status == 204 || status == 304;
    if (!bodyless && !Header("Transfer-Encoding")) {
        if (const std::optional<std::string> length = Header("Content-Length"))
            bodyLength_ = ParseContentLength(*length);
    }
    if (bodyLength_ == 0u)
        finished_ = true;
    return true;
}

} // namespace platform
