#include "tests/e2e/NginxServer.h"

#include "tests/support/LocalServer.h"
#include "tests/support/TempRoot.h"

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace qvutest {

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(20);

void Replace(std::string& text, const std::string& word, const std::string& value) {
    for (std::size_t at = text.find(word); at != std::string::npos;
         at = text.find(word, at + value.size()))
        text.replace(at, word.size(), value);
}

} // namespace

fs::path NginxServer::Program() {
    std::vector<fs::path> folders{"/usr/sbin"};
    std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
    for (std::string folder; std::getline(path, folder, ':');)
        if (!folder.empty())
            folders.emplace_back(folder);
    for (const fs::path& folder : folders)
        if (access((folder / "nginx").c_str(), X_OK) == 0)
            return folder / "nginx";
    return {};
}

NginxServer::NginxServer(const fs::path& folder, const fs::path& prefix,
                         const TestCertificate& certificate)
    : prefix_(prefix) {
    std::string config = ReadFile(QVU_NGINX_CONFIG);
    if (config.empty() || Program().empty())
        return;
    fs::create_directories(prefix / "logs");
    fs::create_directories(prefix / "temp");
    httpPort_ = UnusedLoopbackPort();
    do
        httpsPort_ = UnusedLoopbackPort();
    while (httpsPort_ == httpPort_);
    Replace(config, "@HTTP_ADDRESS@", "127.0.0.1:" + std::to_string(httpPort_));
    Replace(config, "@HTTPS_ADDRESS@", "127.0.0.1:" + std::to_string(httpsPort_));
    Replace(config, "@ROOT@", folder.string());
    Replace(config, "@CERTIFICATE@", certificate.CertificateFile().string());
    Replace(config, "@CERTIFICATE_KEY@", certificate.KeyFile().string());
    const fs::path configFile = prefix / "qvu-update-server.conf";
    WriteFile(configFile, config);

    program_ = std::make_unique<BackgroundProgram>(
        std::vector<std::string>{Program().string(), "-p", prefix.string() + "/", "-c",
                                 configFile.string(), "-e", (prefix / "logs/error.log").string(),
                                 "-g", "daemon off;"},
        BackgroundProgram::Announcement::Nothing);
    // The master writes its pid file once it listens on both ports.
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (program_->Running() && std::chrono::steady_clock::now() < deadline) {
        const std::string pid = ReadFile(prefix / "nginx.pid");
        if (!pid.empty() && pid.back() == '\n') {
            started_ = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string NginxServer::Url(const std::string& scheme, const std::string& target) const {
    return scheme + "://127.0.0.1:" + std::to_string(Port(scheme)) + target;
}

std::string NginxServer::AccessLog() const {
    return ReadFile(prefix_ / "logs/access.log");
}

std::string NginxServer::ErrorLog() const {
    return ReadFile(prefix_ / "logs/error.log");
}

} // namespace qvutest
