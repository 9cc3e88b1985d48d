// The package part of a product's section in the update description file:
// which Windows Installer package to fetch, from where, and how to check it.
#pragma once

#include "platform/win_types.h"

#include <string>
#include <vector>

struct PackageEntry {
    // Name of the package inside the product's Update\ folder.
    std::string fileName = "Quorvane.msi";
    // Exact size in bytes; 0 when absent, negative or not a number.
    DWORD fileSize = 0;
    // MD5 digest as 32 lowercase hexadecimal digits.
    std::string md5;
    // MSI1, MSI2, ... up to the first absent or empty key, tried in this order.
    std::vector<std::string> downloadAddresses;
};

// Reads the package entry of the section shortId (a product's short id, e.g.
// "Olvin5") from the stored description file; missing keys give the defaults.
PackageEntry ReadPackageEntry(const std::string& descriptionPath, const std::string& shortId);

// Whether a FileName of the description file may be used as given: a plain
// name, neither empty nor "." nor "..", without \, / or a drive's ':', so the
// package can only ever be written inside the Update\ folder.
bool IsPlainFileName(const char* name);
