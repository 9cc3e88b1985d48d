// Another account on the machine, for tests of what one account can do to
// another's files and locks: a forked child that gives up root for the
// account nobody, does its part and stays (keeping what it opened and
// locked) until the object goes or the test's process ends.
#pragma once

#include "tests/support/ForkedChild.h"

#include <filesystem>
#include <functional>
#include <grp.h>
#include <unistd.h>

namespace qvutest {

constexpr uid_t kOtherAccount = 65534;

class OtherAccountProcess {
public:
    // Runs body as the other account; body answers whether its part succeeded.
    explicit OtherAccountProcess(const std::function<bool()>& body)
        : child_([&body](const ChildProcess::Channel& channel) {
              const bool became = setgroups(0, nullptr) == 0 && setgid(kOtherAccount) == 0 &&
                                  setuid(kOtherAccount) == 0;
              channel.Send(!became ? 'u' : (body() ? 'y' : 'n'));
              channel.Receive(-1); // stays until let go
          }),
          answer_(child_.Talk().Receive()) {}

    // Whether the account could not be taken (the tests do not run as root).
    bool Unavailable() const { return answer_ == 'u'; }
    // Whether body ran as the other account and succeeded.
    bool Done() const { return answer_ == 'y'; }

private:
    ChildProcess child_;
    char answer_;
};

// Lets every account pass through folder and the folders above it up to top,
// as through a machine's folders; the tests' temporary folders are private.
inline void LetEveryonePass(const std::filesystem::path& folder, const std::filesystem::path& top) {
    namespace fs = std::filesystem;
    for (fs::path at = folder;; at = at.parent_path()) {
        fs::permissions(at, fs::perms::others_exec | fs::perms::group_exec, fs::perm_options::add);
        if (at == top || at == at.root_path())
            return;
    }
}

} // namespace qvutest
