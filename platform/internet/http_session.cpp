#include "platform/http_session.h"

#include "platform/errors.h"
#include "platform/internet/internet_transfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <ctime>

CInternetException::CInternetException(DWORD error, std::string description, DWORD_PTR context)
    : m_dwError(error), m_dwContext(context), description_(std::move(description)) {}

BOOL CInternetException::GetErrorMessage(LPSTR error, UINT maxError, UINT* helpContext) const {
    if (helpContext != nullptr)
        *helpContext = 0;
    if (error == nullptr || maxError == 0)
        return FALSE;
    const std::size_t length = std::min<std::size_t>(description_.size(), maxError - 1);
    std::memcpy(error, description_.data(), length);
    error[length] = '\0';
    return TRUE;
}

// ---- CInternetSession ----

CInternetSession::CInternetSession(LPCSTR agent, DWORD_PTR context, DWORD accessType,
                                   LPCSTR proxyName, LPCSTR proxyBypass, DWORD /*flags*/)
    : context_(context) {
    auto settings = std::make_shared<platform::InternetSessionSettings>();
    settings->agent = agent ? agent : "";
    settings->accessType = accessType;
    settings->proxy = proxyName ? proxyName : "";
    settings->proxyBypass = proxyBypass ? proxyBypass : "";
    settings_ = std::move(settings);
}

CInternetSession::~CInternetSession() = default;

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(LPCSTR server,
                                                                     INTERNET_PORT port) {
    if (server == nullptr || *server == '\0')
        throw CInternetException(ERROR_INTERNET_INVALID_URL, "The URL is invalid (no server name)",
                                 context_);
    return std::unique_ptr<CHttpConnection>(new CHttpConnection(settings_, server, port));
}

// ---- CHttpConnection ----

CHttpConnection::CHttpConnection(std::shared_ptr<const platform::InternetSessionSettings> session,
                                 std::string server, INTERNET_PORT port)
    : session_(std::move(session)), server_(std::move(server)), port_(port) {}

std::unique_ptr<CHttpFile> CHttpConnection::OpenRequest(LPCSTR verb, LPCSTR objectName,
                                                        LPCSTR referer, DWORD_PTR context,
                                                        LPCSTR* acceptTypes, LPCSTR /*version*/,
                                                        DWORD flags) {
    const bool secure = (flags & INTERNET_FLAG_SECURE) != 0;
    const INTERNET_PORT port = port_ != INTERNET_INVALID_PORT_NUMBER ? port_
                               : secure                              ? INTERNET_DEFAULT_HTTPS_PORT
                                                                     : INTERNET_DEFAULT_HTTP_PORT;
    std::string object = objectName && *objectName ? objectName : "/";
    if (object.front() != '/')
        object.insert(0, "/");
    std::string url =
        (secure ? "https://" : "http://") + server_ + ":" + std::to_string(port) + object;

    auto file = std::unique_ptr<CHttpFile>(
        new CHttpFile(session_, std::move(url), verb && *verb ? verb : "GET", flags, context));
    std::string& headers = file->extraHeaders_;
    if (referer != nullptr && *referer != '\0')
        headers += std::string("Referer: ") + referer + "\r\n";
    if (acceptTypes != nullptr && *acceptTypes != nullptr) {
        headers += "Accept: ";
        for (LPCSTR* type = acceptTypes; *type != nullptr; ++type)
            headers += std::string(type == acceptTypes ? "" : ", ") + *type;
        headers += "\r\n";
    } else {
        // No types asked for, no Accept sent: an empty value takes libcurl's own away.
        headers += "Accept:\r\n";
    }
    return file;
}

// ---- CHttpFile ----

CHttpFile::CHttpFile(std::shared_ptr<const platform::InternetSessionSettings> session,
                     std::string url, std::string verb, DWORD flags, DWORD_PTR context)
    : session_(std::move(session)), url_(std::move(url)), verb_(std::move(verb)), flags_(flags),
      context_(context) {}

CHttpFile::~CHttpFile() = default;

BOOL CHttpFile::SendRequest(LPCSTR headers, DWORD headersLength) {
    platform::InternetRequest request;
    request.url = url_;
    request.verb = verb_;
    request.flags = flags_;
    request.extraHeaders = extraHeaders_;
    if (headers != nullptr)
        request.extraHeaders.append(headers, headersLength == static_cast<DWORD>(-1)
                                                 ? std::strlen(headers)
                                                 : headersLength);
    transfer_ = std::make_unique<platform::InternetTransfer>(*session_, std::move(request));
    if (!transfer_->Start()) {
        const DWORD error = transfer_->Error();
        std::string text = transfer_->ErrorText();
        transfer_.reset();
        SetLastError(error);
        throw CInternetException(error, std::move(text), context_);
    }
    return TRUE;
}

BOOL CHttpFile::QueryInfoStatusCode(DWORD& statusCode) const {
    if (!transfer_) {
        SetLastError(ERROR_INTERNET_INVALID_OPERATION);
        return FALSE;
    }
    statusCode = static_cast<DWORD>(transfer_->StatusCode());
    return TRUE;
}

const char* CHttpFile::HeaderName(DWORD infoLevel) {
    switch (infoLevel & 0xFFFF) {
    case HTTP_QUERY_CONTENT_TYPE:
        return "Content-Type";
    case HTTP_QUERY_CONTENT_LENGTH:
        return "Content-Length";
    case HTTP_QUERY_DATE:
        return "Date";
    case HTTP_QUERY_LAST_MODIFIED:
        return "Last-Modified";
    default:
        return nullptr;
    }
}

std::optional<std::string> CHttpFile::HeaderValue(DWORD infoLevel) const {
    const char* name = HeaderName(infoLevel);
    if (!transfer_ || name == nullptr) {
        SetLastError(transfer_ ? ERROR_HTTP_INVALID_QUERY_REQUEST
                               : ERROR_INTERNET_INVALID_OPERATION);
        return std::nullopt;
    }
    std::optional<std::string> value = transfer_->Header(name);
    if (!value)
        SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
    return value;
}

BOOL CHttpFile::QueryInfo(DWORD infoLevel, DWORD& value) const {
    if ((infoLevel & 0xFFFF) == HTTP_QUERY_STATUS_CODE)
        return QueryInfoStatusCode(value);
    if ((infoLevel & HTTP_QUERY_FLAG_NUMBER) == 0) {
        SetLastError(ERROR_HTTP_INVALID_QUERY_REQUEST);
        return FALSE;
    }
    const std::optional<std::string> text = HeaderValue(infoLevel);
    if (!text)
        return FALSE;
    DWORD number = 0;
    const char* end = text->data() + text->size();
    const auto [stop, failure] = std::from_chars(text->data(), end, number);
    if (failure != std::errc() || stop != end || text->empty()) {
        SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
        return FALSE;
    }
    value = number;
    return TRUE;
}

BOOL CHttpFile::QueryInfo(DWORD infoLevel, SYSTEMTIME& value) const {
    if ((infoLevel & HTTP_QUERY_FLAG_SYSTEMTIME) == 0) {
        SetLastError(ERROR_HTTP_INVALID_QUERY_REQUEST);
        return FALSE;
    }
    const std::optional<std::string> text = HeaderValue(infoLevel);
    if (!text)
        return FALSE;
    // libcurl reads every date form HTTP allows and answers UTC seconds.
    const time_t seconds = curl_getdate(text->c_str(), nullptr);
    std::tm utc{};
    if (seconds == -1 || gmtime_r(&seconds, &utc) == nullptr) {
        SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
        return FALSE;
    }
    value.wYear = static_cast<WORD>(utc.tm_year + 1900);
    value.wMonth = static_cast<WORD>(utc.tm_mon + 1);
    value.wDayOfWeek = static_cast<WORD>(utc.tm_wday);
    value.wDay = static_cast<WORD>(utc.tm_mday);
    value.wHour = static_cast<WORD>(utc.tm_hour);
    value.wMinute = static_cast<WORD>(utc.tm_min);
    value.wSecond = static_cast<WORD>(utc.tm_sec);
    value.wMilliseconds = 0;
    return TRUE;
}

void CHttpFile::Close() {
    transfer_.reset();
}
