// A machine root of the tests' own: a temporary folder that QVU_ROOT points
// to while the object lives, with helpers to map drives and shares in its drive table.
#pragma once

#include <filesystem>
#include <string>

namespace qvutest {

class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    // The temporary folder that holds everything of this root.
    const std::filesystem::path& Folder() const { return folder_; }
    // The machine root (QVU_ROOT).
    std::filesystem::path Root() const { return folder_ / "root"; }

    // Maps drive letter to a new folder (or to target) and answers the folder.
    std::filesystem::path MapDrive(char letter, const std::filesystem::path& target = {});
    // Maps \\server\share to a new folder and answers it.
    std::filesystem::path MapShare(const std::string& server, const std::string& share);

private:
    std::filesystem::path folder_;
    std::string previousRoot_;
    bool hadRoot_ = false;
    std::filesystem::path previousDirectory_;
};

// Writes text to a file, creating its folders.
void WriteFile(const std::filesystem::path& path, const std::string& text);
// The whole content of a file ("" when it cannot be read).
std::string ReadFile(const std::filesystem::path& path);

// The process's current directory as the system sees it ("C:\\Work").
std::string CurrentDirectory();

// Full path of a program built with the project (tools, the update manager).
std::filesystem::path ProgramPath(const std::string& name);

} // namespace qvutest
