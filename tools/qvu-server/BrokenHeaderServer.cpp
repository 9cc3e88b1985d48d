#include "tools/qvu-server/HeaderCuttingServer.h"

#include <string>

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

bool HeaderCuttingServer::process_and_close_socket(socket_t socket) {
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
    static const char partial[] = "HTTP/1.1 200 OK\r\nContent-Len";
    send(socket, partial, sizeof partial - 1, MSG_NOSIGNAL);
    shutdown(socket, SHUT_RDWR);
    close(socket);
    return true;
}
