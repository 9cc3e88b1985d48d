// The desktop's user of the window's tests: a real unprivileged account of
// the machine ("qvudesktop", made once when missing) with a home folder of
// its own, that the engine, run as root, shows its window as when the run
// says it was asked for by that account (SUDO_UID).
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <sys/types.h>

namespace qvutest {

class DesktopAccount {
public:
    // Makes the account and its home when missing (the tests run as root).
    DesktopAccount();

    // False when the account cannot be made (not root, no useradd).
    bool Available() const { return available_; }
    uid_t Uid() const { return uid_; }
    const std::filesystem::path& Home() const { return home_; }

    // The environment of a root run asked for by this account, as sudo
    // leaves it.
    std::map<std::string, std::string> AskingEnvironment() const {
        return {{"SUDO_UID", std::to_string(uid_)}, {"SUDO_USER", kName}};
    }

    static constexpr const char* kName = "qvudesktop";

private:
    bool available_ = false;
    uid_t uid_ = 0;
    std::filesystem::path home_;
};

// The account a process runs as, from /proc/PID/status (its real user
// id); -1 when the process is gone.
long AccountOfProcess(long processId);

} // namespace qvutest
