#include "tools/qvu-server/BrokenHeaderServer.h"

#include <chrono>
#include <string>
#include <thread>

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

bool Send(socket_t socket, const std::string& text) {
    return send(socket, text.data(), text.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(text.size());
}

} // namespace

bool BrokenHeaderServer::process_and_close_socket(socket_t socket) {
    // The whole request is read first: closing with unread bytes would send a
    // reset instead of the partial header.
    const timeval wait{2, 0};
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const ssize_t got = recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        request.append(buffer, static_cast<std::size_t>(got));
    }
    if (fault_ == HeaderFault::Cut) {
        Send(socket, "HTTP/1.1 200 OK\r\nContent-Len");
    } else if (Send(socket, "HTTP/1.1 200 OK\r\n")) {
        // A whole line every 300 ms: the connection is never silent for long.
        for (int line = 0; !stopping_ && Send(socket, "X-Line: " + std::to_string(line) + "\r\n");
             ++line)
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    shutdown(socket, SHUT_RDWR);
    close(socket);
    return true;
}
