// Shared fixture of the update retrieval tests: a machine root of their own
// with drives C, D and E mapped, and a product whose settings folder is on C.
#pragma once

#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace qvutest {

class UpdateTest : public ::testing::Test {
protected:
    // The product's settings folder as the system names it, and on disk.
    static constexpr const char* kSettingsFolder = "C:\\Quorvane\\Olvin5\\";
    std::filesystem::path SettingsFolder() const { return driveC / "Quorvane" / "Olvin5"; }

    TempRoot root;
    std::filesystem::path driveC = root.MapDrive('C');
    std::filesystem::path driveD = root.MapDrive('D');
    std::filesystem::path driveE = root.MapDrive('E');
};

} // namespace qvutest
