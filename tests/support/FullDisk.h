// A small disk that fills up: a tmpfs of a given size mounted on a folder for
// the life of the object (needs the right to mount; Mounted() tells whether
// it worked).
#pragma once

#include <filesystem>
#include <string>

#include <sys/mount.h>

namespace qvutest {

class FullDisk {
public:
    FullDisk(const std::filesystem::path& folder, const char* size) : folder_(folder) {
        std::filesystem::create_directories(folder);
        const std::string options = std::string("size=") + size;
        mounted_ = mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~FullDisk() {
        if (mounted_)
            umount2(folder_.c_str(), MNT_DETACH);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    bool Mounted() const { return mounted_; }

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
};

} // namespace qvutest
