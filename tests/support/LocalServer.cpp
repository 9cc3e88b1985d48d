#include "tests/support/LocalServer.h"

#include "tests/support/TempRoot.h"

#include <cstdlib>

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

} // namespace qvutest
