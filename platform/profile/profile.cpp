#include "platform/profile.h"

#include "platform/errors.h"
#include "platform/profile/ini_document.h"
#include "platform/profile/ini_query.h"
#include "platform/profile/ini_syntax.h"
#include "platform/profile/profile_file.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// What the caller's C string shows of a text that holds a NUL byte.
std::string_view AsCString(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

DWORD CopyCut(std::string_view text, LPSTR buffer, DWORD size) {
    const std::size_t count = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<DWORD>(count);
}

DWORD CopyList(const std::vector<std::string_view>& names, LPSTR buffer, DWORD size) {
    std::string list;
    for (const std::string_view name : names) {
        list += AsCString(name);
        list += '\0';
    }
    if (list.size() < size) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        return static_cast<DWORD>(list.size());
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

UINT LeadingDecimal(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-')
            return 0;
        ++i;
    }
    std::uint64_t number = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        number =
            std::min<std::uint64_t>(number * 10 + static_cast<unsigned>(text[i] - '0'), UINT_MAX);
    return static_cast<UINT>(number);
}

// Windows writes such text as it is, and the file then reads differently:
// other keys or sections appear, or the value is lost.
bool BreaksLines(std::string_view section, const char* key, const char* value) {
    const auto hasLineBreak = [](std::string_view text) {
        return text.find_first_of("\r\n") != std::string_view::npos;
    };
    if (hasLineBreak(section) || section.find(']') != std::string_view::npos)
        return true;
    if (key != nullptr) {
        const std::string_view name = platform::TrimBlanks(key);
        if (hasLineBreak(name) || name.find('=') != std::string_view::npos ||
            (!name.empty() && (name.front() == '[' || name.front() == ';')))
            return true;
    }
    return value != nullptr && hasLineBreak(value);
}

} // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR buffer,
                               DWORD size, LPCSTR fileName) {
    if (buffer == nullptr || size == 0)
        return 0;
    const std::optional<std::string> content =
        platform::ReadProfileFile(platform::ProfileFilePath(fileName));
    const std::string_view text = content ? std::string_view(*content) : std::string_view();

    if (section == nullptr)
        return CopyList(platform::IniSectionNames(text), buffer, size);
    const std::string_view sectionName = platform::TrimBlanks(section);
    if (key == nullptr) {
        const std::vector<std::string_view> names = platform::IniKeyNames(text, sectionName);
        if (!names.empty())
            return CopyList(names, buffer, size);
    } else if (const auto value =
                   platform::FindIniValue(text, sectionName, platform::TrimBlanks(key))) {
        return CopyCut(AsCString(*value), buffer, size);
    }
    return CopyCut(WithoutTrailingBlanks(defaultValue ? defaultValue : ""), buffer, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
    if (section == nullptr || key == nullptr)
        return static_cast<UINT>(defaultValue);
    const std::optional<std::string> content =
        platform::ReadProfileFile(platform::ProfileFilePath(fileName));
    if (!content)
        return static_cast<UINT>(defaultValue);
    const auto value =
        platform::FindIniValue(*content, platform::TrimBlanks(section), platform::TrimBlanks(key));
    // Like Windows, an empty value counts as a missing one.
    if (!value || AsCString(*value).empty())
        return static_cast<UINT>(defaultValue);
    // Windows documents 0 for a negative value.
    return LeadingDecimal(AsCString(*value));
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    if (section == nullptr && key == nullptr && value == nullptr) {
        if (fileName != nullptr)
            platform::FlushProfileFolder(platform::ProfileFilePath(fileName));
        return TRUE;
    }
    if (section == nullptr || BreaksLines(section, key, value)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string_view sectionName = platform::TrimBlanks(section);
    const std::string_view keyName = key ? platform::TrimBlanks(key) : std::string_view();
    const auto edit = [&](const std::string& oldContent) -> std::optional<std::string> {
        platform::IniDocument document(oldContent);
        const bool changed = key == nullptr     ? document.RemoveSection(sectionName)
                             : value == nullptr ? document.RemoveKey(sectionName, keyName)
                                                : document.SetValue(sectionName, keyName, value);
        if (!changed)
            return std::nullopt;
        return document.Text();
    };
    return platform::EditProfileFile(platform::ProfileFilePath(fileName), edit) ? TRUE : FALSE;
}
