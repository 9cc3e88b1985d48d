#include "platform/internet/internet_errors.h"

namespace platform {

DWORD InternetErrorFromCurl(CURLcode code) {
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_URL_MALFORMAT:
        return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
        return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return ERROR_INTERNET_TIMEOUT;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_GOT_NOTHING:
    case CURLE_BAD_CONTENT_ENCODING:
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_TOO_MANY_REDIRECTS:
        return ERROR_HTTP_REDIRECT_FAILED;
    case CURLE_SSL_CONNECT_ERROR:
        return ERROR_INTERNET_SECURITY_CHANNEL_ERROR;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
        return ERROR_INTERNET_SEC_INVALID_CERT;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
        return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_SEND_ERROR:
        return ERROR_INTERNET_CONNECTION_RESET;
    default:
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

const char* InternetErrorText(DWORD error) {
    switch (error) {
    case ERROR_INTERNET_TIMEOUT:
        return "The operation timed out";
    case ERROR_INTERNET_INVALID_URL:
        return "The URL is invalid";
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
        return "The URL does not use a recognized protocol";
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
        return "The server name or address could not be resolved";
    case ERROR_INTERNET_INVALID_OPERATION:
        return "The requested operation is invalid";
    case ERROR_INTERNET_INCORRECT_HANDLE_TYPE:
        return "The type of handle supplied is incorrect for this operation";
    case ERROR_INTERNET_CANNOT_CONNECT:
        return "A connection with the server could not be established";
    case ERROR_INTERNET_CONNECTION_ABORTED:
        return "The connection with the server was terminated abnormally";
    case ERROR_INTERNET_CONNECTION_RESET:
        return "The connection with the server was reset";
    case ERROR_HTTP_HEADER_NOT_FOUND:
        return "The requested header could not be located";
    case ERROR_HTTP_INVALID_SERVER_RESPONSE:
        return "The server returned an invalid or unrecognized response";
    case ERROR_HTTP_INVALID_QUERY_REQUEST:
        return "The header query is not valid";
    case ERROR_HTTP_REDIRECT_FAILED:
        return "The redirection failed";
    case ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR:
        return "The application is moving from an SSL to an non-SSL connection because of a "
               "redirect";
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
        return "An error occurred in the secure channel support";
    case ERROR_INTERNET_SEC_INVALID_CERT:
        return "The server's certificate is invalid";
    default:
        return "An internal error occurred in the internet client";
    }
}

} // namespace platform
