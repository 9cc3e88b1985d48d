// A qvu-server child process for tests: started on a free port of 127.0.0.1
// and always ended (SIGTERM, then SIGKILL) when the object goes.
#pragma once

#include "tests/support/BackgroundProgram.h"

#include <filesystem>
#include <string>
#include <vector>

namespace qvutest {

class LocalServer {
public:
    // Serves folder with further qvu-server arguments ("--cut-after", "100", ...).
    explicit LocalServer(const std::filesystem::path& folder,
                         const std::vector<std::string>& arguments = {});

    // Whether the server announced its port; FirstLine() tells otherwise.
    bool Started() const { return port_ > 0; }
    int Port() const { return port_; }
    const std::string& FirstLine() const { return program_.FirstLine(); }
    // "http://127.0.0.1:PORT" (https with "--tls") followed by the target
    // ("/?File=QVU.ini").
    std::string Url(const std::string& target) const;

    // Ends the server with SIGTERM and answers its exit code; -1 when it did
    // not end by itself within a few seconds and had to be killed.
    int Stop() { return program_.Stop(); }

private:
    BackgroundProgram program_;
    int port_ = 0;
    std::string scheme_ = "http";
};

// A port of 127.0.0.1 that the system just handed out and took back: nothing
// listens there until a server is started on it (0 when none was had).
int UnusedLoopbackPort();

} // namespace qvutest
