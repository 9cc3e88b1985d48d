// Which Windows runs: its version, as the file version of its system library
// Kernel32.dll tells it, whether it is a server edition, and its name.
// Updates need Windows 8 or Windows Server 2012 (version 6.2) or later.
#pragma once

#include <string>

struct SystemVersion {
    int major = 0;
    unsigned minor = 0; // 0 to 65535
    bool isServer = false;
};

// Sets major and minor to 0, then fills all three; true when a major
// version above 0 was read.
bool QuerySystemVersion(int& major, unsigned& minor, bool& isServer);

// The system's name for a version; versions without a name of their own
// read "Microsoft WindowsNT <major>.<minor> (unknown)".
std::string OperatingSystemName(const SystemVersion& version);

// The running system's name; "(unknown)" when its version cannot be read.
std::string DescribeOperatingSystem();

// True for version 6.2 and later.
bool IsSupportedSystemVersion(int major, unsigned minor);

// True when the running system's version can be read and is older than 6.2;
// systemName then holds its name, for the refusal. A system whose version
// cannot be read is let through.
bool IsUnsupportedSystem(std::string& systemName);
