// Shared fixture of the profile function tests: drive C mapped to a temporary
// folder, and short forms of the reads and writes on one INI file there.
#pragma once

#include "platform/errors.h"
#include "platform/profile.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace qvutest {

class ProfileTest : public ::testing::Test {
public:
    static constexpr const char* kIni = "C:\\Test.ini";

protected:
    std::filesystem::path IniFile() const { return drive / "Test.ini"; }

    void GivenIni(const std::string& content) const { WriteFile(IniFile(), content); }
    std::string IniText() const { return ReadFile(IniFile()); }

    // The text read and the count answered.
    struct ReadResult {
        std::string text;
        DWORD count;
    };
    static ReadResult ReadValue(const char* section, const char* key, const char* defaultValue = "",
                                DWORD size = 260, const char* file = kIni) {
        std::string buffer(size + 1, '#');
        const DWORD count =
            GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), size, file);
        return {std::string(buffer.c_str()), count};
    }
    static std::string Value(const char* section, const char* key, const char* file = kIni) {
        return ReadValue(section, key, "<default>", 260, file).text;
    }
    static BOOL Write(const char* section, const char* key, const char* value,
                      const char* file = kIni) {
        return WritePrivateProfileStringA(section, key, value, file);
    }

    TempRoot root;
    std::filesystem::path drive = root.MapDrive('C');
};

} // namespace qvutest
