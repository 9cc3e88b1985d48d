// nginx from the distribution as the update server, with the configuration
// kept in the tree (docs/nginx/qvu-update-server.conf): the template filled in
// with the served folder, a certificate and two free ports of 127.0.0.1 (HTTP
// and HTTPS), run as a child process in the foreground with its pid, logs and
// temporary files in a prefix folder of the test's own, and always ended
// (SIGTERM, then SIGKILL) when the object goes.
#pragma once

#include "tests/support/BackgroundProgram.h"
#include "tests/support/TestCertificate.h"

#include <filesystem>
#include <memory>
#include <string>

namespace qvutest {

class NginxServer {
public:
    // The installed nginx program; empty when there is none.
    static std::filesystem::path Program();

    // Serves folder over HTTP and HTTPS with the certificate; prefix (created)
    // holds the filled-in configuration, the pid file, the logs and the
    // temporary files. Started as root, its workers run as nobody, as on a
    // server: the served files must be readable to all, and the folders down
    // to them passable.
    NginxServer(const std::filesystem::path& folder, const std::filesystem::path& prefix,
                const TestCertificate& certificate);

    // Whether it listens on both ports; ErrorLog() tells otherwise.
    bool Started() const { return started_; }
    // "http://127.0.0.1:PORT" (scheme "https": the HTTPS port) followed by the target.
    std::string Url(const std::string& scheme, const std::string& target) const;
    // The port of the scheme, "http" or "https".
    int Port(const std::string& scheme) const { return scheme == "https" ? httpsPort_ : httpPort_; }
    std::string AccessLog() const;
    std::string ErrorLog() const;

private:
    std::filesystem::path prefix_;
    int httpPort_ = 0;
    int httpsPort_ = 0;
    std::unique_ptr<BackgroundProgram> program_;
    bool started_ = false;
};

} // namespace qvutest
