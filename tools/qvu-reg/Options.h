// The command line of one command: positional arguments and reg's options
// ("/v NAME", "/f"; also written "-v", any case).
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace qvureg {

struct Options {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values; // "/v" -> NAME
    std::set<std::string> flags;               // "/f"

    bool Has(const std::string& option) const {
        return flags.count(option) != 0 || values.count(option) != 0;
    }
    std::string Value(const std::string& option) const {
        const auto found = values.find(option);
        return found == values.end() ? std::string() : found->second;
    }
};

// Splits args by the options a command knows; an option with a value takes
// the next argument whatever it looks like. Arguments that are no known option
// (a file "/tmp/a.reg") are positional. False when a value is missing or an
// option is repeated.
bool ParseOptions(const std::vector<std::string>& args, const std::set<std::string>& withValue,
                  const std::set<std::string>& flags, Options& options);

} // namespace qvureg
