#include "tests/support/TempRoot.h"

#include "platform/files.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace qvutest {

TempRoot::TempRoot() {
    std::string pattern = (fs::temp_directory_path() / "qvu-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    folder_ = fs::canonical(pattern);
    fs::create_directories(Root() / "dosdevices");
    if (const char* previous = std::getenv("QVU_ROOT")) {
        hadRoot_ = true;
        previousRoot_ = previous;
    }
    setenv("QVU_ROOT", Root().c_str(), 1);
    previousDirectory_ = fs::current_path();
}

TempRoot::~TempRoot() {
    std::error_code ignored;
    fs::current_path(previousDirectory_, ignored);
    if (hadRoot_)
        setenv("QVU_ROOT", previousRoot_.c_str(), 1);
    else
        unsetenv("QVU_ROOT");
    // Folders a test made read-only must not keep the tree from going away.
    for (auto it = fs::recursive_directory_iterator(folder_, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(folder_, ignored);
}

fs::path TempRoot::MapDrive(char letter, const fs::path& target) {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    fs::path folder = target.empty() ? folder_ / (std::string("drive_") + lower) : target;
    fs::create_directories(folder);
    const fs::path link = Root() / "dosdevices" / (std::string(1, lower) + ":");
    fs::remove(link);
    fs::create_directory_symlink(folder, link);
    return folder;
}

fs::path TempRoot::MapShare(const std::string& server, const std::string& share) {
    fs::path folder = folder_ / ("share_" + server + "_" + share);
    fs::create_directories(folder);
    const fs::path servers = Root() / "dosdevices" / "unc" / server;
    fs::create_directories(servers);
    fs::create_directory_symlink(folder, servers / share);
    return folder;
}

void WriteFile(const fs::path& path, const std::string& text) {
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string CurrentDirectory() {
    char buffer[4096];
    return GetCurrentDirectoryA(sizeof buffer, buffer) ? buffer : "";
}

fs::path ProgramPath(const std::string& name) {
    const char* folder = std::getenv("QVU_BIN_DIR");
    if (folder && *folder)
        return fs::path(folder) / name;
    // Run by hand from the build tree: the programs lie beside the test.
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return name;
    self[length] = '\0';
    return fs::path(self).parent_path() / name;
}

} // namespace qvutest
