#include "tools/qvu-reg/KeyPath.h"

#include <strings.h>

namespace qvureg {

namespace {

struct RootName {
    const char* shortName;
    const char* longName;
    HKEY root;
};

const RootName kRoots[] = {
    {"HKLM", "HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKCU", "HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKU", "HKEY_USERS", HKEY_USERS},
};

bool SameIgnoringCase(std::string_view a, const char* b) {
    return a.size() == std::char_traits<char>::length(b) && strncasecmp(a.data(), b, a.size()) == 0;
}

} // namespace

KeyPath KeyPath::Child(const std::string& name) const {
    KeyPath child = *this;
    child.subKey = subKey.empty() ? name : subKey + "\\" + name;
    return child;
}

bool IsDeletable(const KeyPath& path) {
    return !path.subKey.empty() &&
           (path.root != HKEY_USERS || path.subKey.find('\\') != std::string::npos);
}

std::optional<KeyPath> ParseKeyPath(std::string_view text) {
    while (!text.empty() && text.back() == '\\')
        text.remove_suffix(1);
    const std::size_t slash = text.find('\\');
    const std::string_view root = text.substr(0, slash);
    for (const RootName& known : kRoots) {
        if (SameIgnoringCase(root, known.shortName) || SameIgnoringCase(root, known.longName)) {
            KeyPath path{known.root, known.longName, {}};
            if (slash != std::string_view::npos)
                path.subKey = text.substr(slash + 1);
            return path;
        }
    }
    return std::nullopt;
}

} // namespace qvureg
