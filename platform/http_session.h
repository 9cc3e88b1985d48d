// The class library's internet session classes over HTTP: a session makes
// connections, a connection opens requests, a request (CHttpFile) is sent and
// then answers its status and headers. Failures to reach the server are
// thrown as CInternetException, as the class library does; header queries
// answer FALSE instead.
#pragma once

#include "platform/internet.h"

#include <exception>
#include <memory>
#include <optional>
#include <string>

namespace platform {
class InternetTransfer;
struct InternetSessionSettings;
} // namespace platform

constexpr DWORD PRE_CONFIG_INTERNET_ACCESS = INTERNET_OPEN_TYPE_PRECONFIG;

// Header query levels, and the flags that ask for the value as a number or a time.
constexpr DWORD HTTP_QUERY_CONTENT_TYPE = 1;
constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr DWORD HTTP_QUERY_DATE = 9;
constexpr DWORD HTTP_QUERY_LAST_MODIFIED = 11;
constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000;
constexpr DWORD HTTP_QUERY_FLAG_SYSTEMTIME = 0x40000000;

class CInternetException : public std::exception {
public:
    CInternetException(DWORD error, std::string description, DWORD_PTR context = 1);

    // Copies the description (cut to fit, always terminated); FALSE when
    // there is no room at all. The help context, when asked for, is 0.
    BOOL GetErrorMessage(LPSTR error, UINT maxError, UINT* helpContext = nullptr) const;
    const char* what() const noexcept override { return description_.c_str(); }

    DWORD m_dwError;
    DWORD_PTR m_dwContext;

private:
    std::string description_;
};

class CHttpFile {
public:
    ~CHttpFile();
    CHttpFile(const CHttpFile&) = delete;
    CHttpFile& operator=(const CHttpFile&) = delete;

    // Sends the request (with further header lines and no body) and waits for
    // the headers of the answer; throws CInternetException when none came.
    BOOL SendRequest(LPCSTR headers = nullptr, DWORD headersLength = 0);

    BOOL QueryInfoStatusCode(DWORD& statusCode) const;
    // A header as a number (HTTP_QUERY_FLAG_NUMBER) or as a UTC time
    // (HTTP_QUERY_FLAG_SYSTEMTIME). FALSE with ERROR_HTTP_HEADER_NOT_FOUND when
    // the answer lacks it or its value is no such thing (a Content-Length of
    // "abc" or "-5" counts as absent).
    BOOL QueryInfo(DWORD infoLevel, DWORD& value) const;
    BOOL QueryInfo(DWORD infoLevel, SYSTEMTIME& value) const;

    // Ends the request; the part of the body not read is never fetched.
    void Close();

private:
    friend class CHttpConnection;
    CHttpFile(std::shared_ptr<const platform::InternetSessionSettings> session, std::string url,
              std::string verb, DWORD flags, DWORD_PTR context);
    static const char* HeaderName(DWORD infoLevel);
    std::optional<std::string> HeaderValue(DWORD infoLevel) const;

    std::shared_ptr<const platform::InternetSessionSettings> session_;
    std::string url_;
    std::string verb_;
    std::string extraHeaders_;
    DWORD flags_;
    DWORD_PTR context_;
    std::unique_ptr<platform::InternetTransfer> transfer_;
};

class CHttpConnection {
public:
    // A request for the object (path and query) on this server. The referrer
    // and the accepted types (a null-terminated list) become request headers;
    // without types no Accept header is sent. The version is always HTTP/1.1.
    // INTERNET_FLAG_SECURE asks over https, INTERNET_FLAG_RELOAD for a fresh
    // answer. Nothing is sent yet.
    std::unique_ptr<CHttpFile> OpenRequest(LPCSTR verb, LPCSTR objectName, LPCSTR referer = nullptr,
                                           DWORD_PTR context = 1, LPCSTR* acceptTypes = nullptr,
                                           LPCSTR version = nullptr, DWORD flags = 0);
    void Close() {}

private:
    friend class CInternetSession;
    CHttpConnection(std::shared_ptr<const platform::InternetSessionSettings> session,
                    std::string server, INTERNET_PORT port);

    std::shared_ptr<const platform::InternetSessionSettings> session_;
    std::string server_;
    INTERNET_PORT port_;
};

class CInternetSession {
public:
    explicit CInternetSession(LPCSTR agent = nullptr, DWORD_PTR context = 1,
                              DWORD accessType = PRE_CONFIG_INTERNET_ACCESS,
                              LPCSTR proxyName = nullptr, LPCSTR proxyBypass = nullptr,
                              DWORD flags = 0);
    ~CInternetSession();

    // A connection to the server (a host name or address) on the port; the
    // invalid port number means the default HTTP port.
    std::unique_ptr<CHttpConnection>
    GetHttpConnection(LPCSTR server, INTERNET_PORT port = INTERNET_INVALID_PORT_NUMBER);
    void Close() {}

private:
    std::shared_ptr<const platform::InternetSessionSettings> settings_;
    DWORD_PTR context_;
};
