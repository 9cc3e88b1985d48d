// Updates need Windows 8 or Windows Server 2012 (version 6.2) or later.
#pragma once

#include <string>

// True for version 6.2 and later.
bool IsSupportedSystemVersion(int major, unsigned minor);

// True when the running system's version can be read and is older than 6.2;
// systemName then holds its name, for the refusal. A system whose version
// cannot be read is let through.
bool IsUnsupportedSystem(std::string& systemName);
