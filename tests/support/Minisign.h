// A publisher's minisign key pair, made and used by the real minisign
// program (Debian package minisign), for tests of signed descriptions.
#pragma once

#include "tests/support/TempRoot.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace qvutest {

class MinisignKeyPair {
public:
    // Makes the pair NAME.pub and NAME.key (no password) in folder.
    MinisignKeyPair(const std::filesystem::path& folder, const std::string& name)
        : pub_(folder / (name + ".pub")), key_(folder / (name + ".key")) {
        std::filesystem::create_directories(folder);
        made_ = Run("-G -W -p " + Quoted(pub_) + " -s " + Quoted(key_));
    }

    // False when minisign is missing (scripts/bootstrap.sh installs it).
    bool Made() const { return made_; }

    // The public key's line, as an administrator trusts it.
    std::string PublicKeyLine() const {
        std::string text = ReadFile(pub_);
        text = text.substr(text.find('\n') + 1);
        return text.substr(0, text.find('\n'));
    }

    // Signs file into file + ".minisig" with the signing time seconds in the
    // trusted comment, as minisign's own comment has it; options such as "-l".
    bool Sign(const std::filesystem::path& file, long long seconds,
              const std::string& options = "") const {
        return Run("-S -s " + Quoted(key_) + " -m " + Quoted(file) + " -t 'timestamp:" +
                   std::to_string(seconds) + "\tfile:" + file.filename().string() + "' " + options);
    }

private:
    static std::string Quoted(const std::filesystem::path& path) {
        return "'" + path.string() + "'";
    }
    static bool Run(const std::string& arguments) {
        return std::system(("minisign -q " + arguments + " >/dev/null 2>&1").c_str()) == 0;
    }

    std::filesystem::path pub_;
    std::filesystem::path key_;
    bool made_ = false;
};

} // namespace qvutest
