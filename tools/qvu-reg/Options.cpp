#include "tools/qvu-reg/Options.h"

#include "platform/strings.h"

namespace qvureg {

namespace {

// "/V" and "-v" both become "/v"; anything else stays as it is.
std::string OptionName(const std::string& arg) {
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-'))
        return {};
    return "/" + ascii::ToLower(std::string_view(arg).substr(1));
}

} // namespace

bool ParseOptions(const std::vector<std::string>& args, const std::set<std::string>& withValue,
                  const std::set<std::string>& flags, Options& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string name = OptionName(args[i]);
        if (withValue.count(name)) {
            if (i + 1 >= args.size() || options.Has(name))
                return false;
            options.values[name] = args[++i];
        } else if (flags.count(name)) {
            if (options.Has(name))
                return false;
            options.flags.insert(name);
        } else {
            options.positional.push_back(args[i]);
        }
    }
    return true;
}

} // namespace qvureg
