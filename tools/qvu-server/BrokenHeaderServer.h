// A server that breaks every answer inside its header: it reads the request,
// sends the start of a status line and headers, and closes the connection.
#pragma once

#include <httplib.h>

class HeaderCuttingServer : public httplib::Server {
private:
    bool process_and_close_socket(socket_t socket) override;
};
