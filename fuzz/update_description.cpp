// Feeds arbitrary files to the readers of the update description file: the
// format check, the package entries and the version texts read from them.
#include "update/Digest.h"
#include "update/UpdateDescription.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// One settings folder for the whole run, removed when the run ends.
class SettingsFolder {
public:
    SettingsFolder() {
        std::string pattern = (fs::temp_directory_path() / "qvu-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort();
        folder_ = pattern;
        fs::create_directories(folder_ / "Update");
        // The system's name of the folder: a local path with backslashes.
        windowsName_ = folder_.string() + "/";
        for (char& c : windowsName_)
            if (c == '/')
                c = '\\';
    }
    ~SettingsFolder() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    const std::string& WindowsName() const { return windowsName_; }
    fs::path DescriptionFile() const { return folder_ / "Update" / "QVU.ini"; }

private:
    fs::path folder_;
    std::string windowsName_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const SettingsFolder settings;
    {
        std::ofstream out(settings.DescriptionFile(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::string path = UpdateDescriptionPath(settings.WindowsName());

    std::string found;
    CheckDescriptionFormat(path, found);
    for (const char* shortId : {"Olvin5", "Zetra5", "Hulo4", "---"}) {
        const PackageEntry entry = ReadPackageEntry(path, shortId);
        IsPlainFileName(entry.fileName.c_str());
        ParseDigestText(entry.md5.c_str());
        const std::string versionLong = ReadProfileText(path, shortId, "VersionLong");
        const std::string versionShort = ReadProfileText(path, shortId, "VersionShort");
        const std::string shown = ChooseShownVersion(versionLong, versionShort);
        CompareVersions(versionLong, shown);
        CompareVersions(found, versionLong);
    }
    return 0;
}
