// A server that breaks every answer inside its header: it reads the request,
// sends the status line and then either the start of a header and closes
// the connection, or a header line now and then without ever ending them.
#pragma once

#include "tools/qvu-server/ServerOptions.h"

#include <httplib.h>

#include <atomic>

class BrokenHeaderServer : public httplib::Server {
public:
    BrokenHeaderServer(HeaderFault fault, const std::atomic<bool>& stopping)
        : fault_(fault), stopping_(stopping) {}

private:
    bool process_and_close_socket(socket_t socket) override;

    HeaderFault fault_;
    const std::atomic<bool>& stopping_;
};
