#include "tests/support/LocalServer.h"

#include "tests/support/TempRoot.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qvutest {

namespace {

std::vector<std::string> ServerWords(const std::filesystem::path& folder,
                                     const std::vector<std::string>& arguments) {
    std::vector<std::string> words{ProgramPath("qvu-server").string(), "--root", folder.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return words;
}

} // namespace

LocalServer::LocalServer(const std::filesystem::path& folder,
                         const std::vector<std::string>& arguments)
    : program_(ServerWords(folder, arguments)) {
    for (const std::string scheme : {"http", "https"}) {
        const std::string prefix = "listening on " + scheme + "://127.0.0.1:";
        if (FirstLine().rfind(prefix, 0) == 0) {
            scheme_ = scheme;
            port_ = std::atoi(FirstLine().c_str() + prefix.size());
        }
    }
}

std::string LocalServer::Url(const std::string& target) const {
    return scheme_ + "://127.0.0.1:" + std::to_string(port_) + target;
}

int UnusedLoopbackPort() {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    close(socket);
    return bound ? ntohs(address.sin_port) : 0;
}

} // namespace qvutest
