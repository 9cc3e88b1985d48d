#include "tests/support/DesktopAccount.h"

#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qvutest {

namespace fs = std::filesystem;

namespace {

// Not below /tmp or /var/tmp: the page view's sandbox makes those folders anew.
constexpr const char* kHome = "/home/qvudesktop";

bool Find(uid_t& uid) {
    const passwd* entry = getpwnam(DesktopAccount::kName);
    if (entry == nullptr)
        return false;
    uid = entry->pw_uid;
    return true;
}

// The home: a folder of the account's own, made anew when anything else
// took its place.
bool MakeHome(uid_t uid) {
    struct stat st;
    if (lstat(kHome, &st) == 0 && !(S_ISDIR(st.st_mode) && st.st_uid == uid)) {
        std::error_code error;
        fs::remove_all(kHome, error);
    }
    mkdir(kHome, 0700);
    return lstat(kHome, &st) == 0 && S_ISDIR(st.st_mode) && chown(kHome, uid, uid) == 0 &&
           chmod(kHome, 0700) == 0;
}

} // namespace

DesktopAccount::DesktopAccount() : home_(kHome) {
    if (geteuid() != 0)
        return;
    if (!Find(uid_)) {
        const std::string command = std::string("useradd --system --user-group --no-create-home "
                                                "--shell /usr/sbin/nologin --home-dir ") +
                                    kHome + " " + kName + " >/dev/null 2>&1";
        [[maybe_unused]] const int status = std::system(command.c_str());
        if (!Find(uid_))
            return;
    }
    available_ = MakeHome(uid_);
}

long AccountOfProcess(long processId) {
    std::ifstream status("/proc/" + std::to_string(processId) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Uid:", 0) == 0) {
            std::istringstream fields(line.substr(4));
            long uid = -1;
            fields >> uid;
            return uid;
        }
    }
    return -1;
}

} // namespace qvutest
