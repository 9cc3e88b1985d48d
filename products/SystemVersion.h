// The version of the running Windows, as the file version of its system
// library Kernel32.dll tells it, and whether it is a server edition.
#pragma once

struct SystemVersion {
    int major = 0;
    unsigned minor = 0; // 0 to 65535
    bool isServer = false;
};

// Sets major and minor to 0, then fills all three; true when a major
// version above 0 was read.
bool QuerySystemVersion(int& major, unsigned& minor, bool& isServer);
