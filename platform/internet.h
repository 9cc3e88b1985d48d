// WinInet: fetching an address over HTTP or HTTPS (libcurl underneath).
// Errors are WinInet's codes (ERROR_INTERNET_...) through GetLastError.
#pragma once

#include "platform/win_types.h"

using HINTERNET = void*;
using INTERNET_PORT = WORD;

constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;

constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000;
constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000;

constexpr INTERNET_PORT INTERNET_INVALID_PORT_NUMBER = 0;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

// A session: the user agent and how to reach the network. The preconfigured
// access type uses the system's proxy settings (http_proxy, https_proxy,
// no_proxy); direct access uses none; the proxy type uses the named proxy
// except for the bypass list. Flags are accepted and not used.
HINTERNET InternetOpenA(LPCSTR agent, DWORD accessType, LPCSTR proxy, LPCSTR proxyBypass,
                        DWORD flags);

// Requests an http or https address and waits for the headers of the
// answer; its status code is not looked at. Certificates are verified against
// the system's authorities and, when QVU_CA_FILE names a PEM file, its
// authorities too. Redirections are followed, but never from https to http
// (ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR, as WinInet by default). Headers
// (length -1: up to the terminating zero) are added to the request;
// INTERNET_FLAG_RELOAD asks every cache on the way for a fresh answer.
// Fails when no answer came: ERROR_INTERNET_CANNOT_CONNECT,
// ERROR_INTERNET_NAME_NOT_RESOLVED, ERROR_INTERNET_TIMEOUT, ...
HINTERNET InternetOpenUrlA(HINTERNET internet, LPCSTR url, LPCSTR headers, DWORD headersLength,
                           DWORD flags, DWORD_PTR context);

// Waits until the buffer is full or the body has ended and answers the count.
// The body ends after its Content-Length, or, without a length that is a
// number (none, "abc", "-5"), when the server closes the connection.
// Time-outs are WinInet's defaults: 60 s to connect, 30 s without data (tests
// shorten them with QVU_HTTP_CONNECT_TIMEOUT_MS and QVU_HTTP_RECEIVE_TIMEOUT_MS).
// At the end of the body it answers TRUE with 0 bytes. A connection that
// breaks or stalls mid-body gives TRUE with the bytes that came (fewer than
// asked for) and then FALSE, so only a short count with success tells a clean
// end apart from a broken one.
BOOL InternetReadFile(HINTERNET file, LPVOID buffer, DWORD numberOfBytesToRead,
                      LPDWORD numberOfBytesRead);

BOOL InternetCloseHandle(HINTERNET internet);

namespace platform {

// Not in WinInet: every later request of the session must come whole, its
// headers and its body, within the receive time-out of its connection,
// however steadily its bytes trickle in; one that takes longer ends as a
// stalled one does (ERROR_INTERNET_TIMEOUT: InternetOpenUrlA fails, or a
// read gives the bytes that came and then fails). For small answers waited
// for where nobody can cancel the wait. FALSE for a handle that is no session.
BOOL LimitInternetSessionTime(HINTERNET session);

} // namespace platform
