// qvu-server: a local update server for trials and tests. It serves a folder
// on 127.0.0.1 only, over HTTP or HTTPS, and can misbehave on purpose (cut,
// stalled or broken answers, other status codes, missing or unreadable
// headers, redirections); see kUsage.
#include "tools/qvu-server/BrokenHeaderServer.h"
#include "tools/qvu-server/FileResponder.h"
#include "tools/qvu-server/ServerOptions.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>

#include <csignal>
#include <pthread.h>
#include <unistd.h>

namespace {

constexpr const char* kLoopback = "127.0.0.1";

// Appends each request's line and headers to a file, before it is answered.
class RequestLog {
public:
    explicit RequestLog(std::filesystem::path file) : file_(std::move(file)) {}

    void Write(const httplib::Request& request) {
        std::string entry = request.method + " " + request.target + "\n";
        for (const auto& [name, value] : request.headers)
            entry += name + ": " + value + "\n";
        const std::lock_guard<std::mutex> guard(lock_);
        std::ofstream(file_, std::ios::app) << entry << "\n";
    }

private:
    std::filesystem::path file_;
    std::mutex lock_;
};

std::unique_ptr<httplib::Server> MakeServer(const ServerOptions& options,
                                            const std::filesystem::path& folder,
                                            const std::atomic<bool>& stopping) {
    if (options.headerFault != HeaderFault::None)
        return std::make_unique<BrokenHeaderServer>(options.headerFault, stopping);
    std::unique_ptr<httplib::Server> server;
    if (options.Secure())
        server = std::make_unique<httplib::SSLServer>(options.certificate.c_str(),
                                                      options.privateKey.c_str());
    else
        server = std::make_unique<httplib::Server>();
    server->Get(".*", FileResponder(options, folder, stopping));
    if (!options.requestLog.empty()) {
        auto log = std::make_shared<RequestLog>(options.requestLog);
        server->set_pre_routing_handler([log](const httplib::Request& request, httplib::Response&) {
            log->Write(request);
            return httplib::Server::HandlerResponse::Unhandled;
        });
    }
    // An idle kept-alive connection (a web view's) would hold up the stop for
    // the whole keep-alive time: a second is enough between a client's requests.
    server->set_keep_alive_timeout(1);
    // Without a length only the end of the connection ends a body: one
    // request per connection.
    if (options.EndsBodiesByClosing())
        server->set_keep_alive_max_count(1);
    return server;
}

} // namespace

int main(int argc, char** argv) {
    const ParsedCommandLine parsed =
        ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.action == ParsedCommandLine::Action::Help) {
        std::cout << kUsage;
        return 0;
    }
    if (parsed.action == ParsedCommandLine::Action::Fail) {
        std::cerr << "qvu-server: " << parsed.error << "\n" << kUsage;
        return 2;
    }
    const ServerOptions& options = parsed.options;
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::canonical(options.root, error);
    if (error || !std::filesystem::is_directory(folder)) {
        std::cerr << "qvu-server: not a folder: " << options.root.string() << "\n";
        return 1;
    }

    // The stop signals go to one waiting thread only, before any other thread starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::atomic<bool> stopping{false};
    const std::unique_ptr<httplib::Server> server = MakeServer(options, folder, stopping);
    if (!server->is_valid()) {
        std::cerr << "qvu-server: cannot use the certificate " << options.certificate.string()
                  << " with the key " << options.privateKey.string() << "\n";
        return 1;
    }
    const int port = options.port == 0
                         ? server->bind_to_any_port(kLoopback)
                         : (server->bind_to_port(kLoopback, options.port) ? options.port : -1);
    if (port <= 0) {
        std::cerr << "qvu-server: cannot listen on " << kLoopback << ":" << options.port << "\n";
        return 1;
    }
    std::printf("listening on %s://%s:%d\n", options.Secure() ? "https" : "http", kLoopback, port);
    std::fflush(stdout);

    std::atomic<bool> listenEnded{false};
    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        stopping = true;
        // A signal right after the first line may come before the server runs,
        // when stopping it does nothing yet: repeat until it has ended.
        while (!listenEnded) {
            server->stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    const bool listened = server->listen_after_bind();
    listenEnded = true;
    if (!stopping)
        kill(getpid(), SIGTERM); // wakes the stopper: the server ended by itself
    stopper.join();
    return listened || stopping ? 0 : 1;
}
