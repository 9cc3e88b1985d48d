#include "platform/profile/ini_query.h"

#include "platform/profile/ini_syntax.h"

namespace platform {

namespace {

// Calls visit(keyLine) for the key lines of the first section named section
// until visit answers false.
template <typename Visit>
void VisitKeysOfSection(std::string_view content, std::string_view section, Visit visit) {
    IniLineSplitter lines(content);
    std::string_view text, lineEnd;
    bool inSection = false;
    while (lines.Next(text, lineEnd)) {
        const IniLine line = ReadIniLine(text);
        if (line.kind == IniLineKind::Section) {
            if (inSection)
                return;
            inSection = SameIniName(line.name, section);
        } else if (inSection && line.kind == IniLineKind::Key && !visit(line)) {
            return;
        }
    }
}

} // namespace

std::optional<std::string_view> FindIniValue(std::string_view content, std::string_view section,
                                             std::string_view key) {
    std::optional<std::string_view> value;
    VisitKeysOfSection(content, section, [&](const IniLine& line) {
        if (SameIniName(line.name, key))
            value = line.value;
        return !value;
    });
    return value;
}

std::vector<std::string_view> IniKeyNames(std::string_view content, std::string_view section) {
    std::vector<std::string_view> names;
    VisitKeysOfSection(content, section, [&](const IniLine& line) {
        names.push_back(line.name);
        return true;
    });
    return names;
}

std::vector<std::string_view> IniSectionNames(std::string_view content) {
    std::vector<std::string_view> names;
    IniLineSplitter lines(content);
    std::string_view text, lineEnd;
    while (lines.Next(text, lineEnd)) {
        const IniLine line = ReadIniLine(text);
        if (line.kind == IniLineKind::Section)
            names.push_back(line.name);
    }
    return names;
}

} // namespace platform
