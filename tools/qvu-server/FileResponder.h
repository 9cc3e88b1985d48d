// Answers a request with a file of the served folder, misbehaving as asked.
#pragma once

#include "tools/qvu-server/ServerOptions.h"

#include <httplib.h>

#include <atomic>
#include <filesystem>

class FileResponder {
public:
    // The folder must be canonical. A stalled answer waits until stopping is set.
    FileResponder(const ServerOptions& options, std::filesystem::path folder,
                  const std::atomic<bool>& stopping);

    void operator()(const httplib::Request& request, httplib::Response& response) const;

private:
    const ServerOptions& options_;
    std::filesystem::path folder_;
    const std::atomic<bool>& stopping_;
};
