// The names of the Windows versions, for telling the user which system an
// update refuses.
#pragma once

#include "products/SystemVersion.h"

#include <string>

// The system's name for a version; versions without a name of their own
// read "Microsoft WindowsNT <major>.<minor> (unknown)".
std::string OperatingSystemName(const SystemVersion& version);

// The running system's name; "(unknown)" when its version cannot be read.
std::string DescribeOperatingSystem();
