// Version DLLs for the tests, written by the qvu-verdll tool run as a program.
#pragma once

#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace qvutest {

// Writes a DLL with qvu-verdll: options, then the FileVersion text, then the file.
inline void MakeVersionDll(const std::filesystem::path& file, const std::string& text,
                           const std::string& options = "") {
    std::filesystem::create_directories(file.parent_path());
    const std::string command = "\"" + ProgramPath("qvu-verdll").string() + "\" " + options +
                                " \"" + text + "\" \"" + file.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Little-endian values inside file images, for damaging them on purpose.
inline std::uint32_t ReadU32(const std::string& image, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(image.at(offset + i));
    return value;
}

inline void WriteU32(std::string& image, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        image.at(offset + i) = static_cast<char>(value >> (8 * i) & 0xFF);
}

inline void WriteU16(std::string& image, std::size_t offset, std::uint16_t value) {
    image.at(offset) = static_cast<char>(value & 0xFF);
    image.at(offset + 1) = static_cast<char>(value >> 8);
}

} // namespace qvutest
