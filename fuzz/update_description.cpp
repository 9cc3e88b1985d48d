// Feeds arbitrary files to the readers of the update description file: the
// format check, the package entry of the file's own sections and of the
// products whose sections it has (and of one it may lack), the version texts
// read from them and the label they make, as EvaluateUpdateDescription
// makes it.
//
// Oracles: comparing versions is antisymmetric and a version equals itself;
// the shown version is the long one or the short one as ShowsShortVersion
// says; the format check answers Ok exactly for "3.1" in both sections.
#include "base/KxString.h"
#include "fuzz/FuzzSupport.h"
#include "platform/profile.h"
#include "platform/strings.h"
#include "products/ProductCatalogue.h"
#include "update/Digest.h"
#include "update/UpdateDescription.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using qvufuzz::Require;

namespace {

void CheckVersions(const std::string& a, const std::string& b) {
    Require(CompareVersions(a, b) == -CompareVersions(b, a),
            "version comparison not antisymmetric");
    Require(CompareVersions(a, a) == 0, "a version differs from itself");
}

void ReadSection(const std::string& path, const std::string& found, const char* shortId,
                 const char* displayFormat) {
    const PackageEntry entry = ReadPackageEntry(path, shortId);
    IsPlainFileName(entry.fileName.c_str());
    ParseDigestText(entry.md5.c_str());
    if (entry.sha256)
        ParseSha256Text(entry.sha256->c_str());
    const std::string versionLong = ReadProfileText(path, shortId, "VersionLong");
    const std::string versionShort = ReadProfileText(path, shortId, "VersionShort");
    const std::string shown = ChooseShownVersion(versionLong, versionShort);
    Require(shown == (ShowsShortVersion(versionLong) ? versionShort : versionLong),
            "the shown version is neither");
    CheckVersions(versionLong, shown);
    CheckVersions(found, versionLong);
    if (displayFormat) {
        KxString label;
        label.Format(displayFormat, shown.c_str(), versionLong.c_str());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string folder =
        qvufuzz::TempRoot::WindowsName(qvufuzz::Root().Files()) + "\\";
    static const std::string path = UpdateDescriptionPath(folder);
    static const std::string nativePath = [] {
        std::filesystem::create_directories(qvufuzz::Root().Files() / "Update");
        return (qvufuzz::Root().Files() / "Update" / "QVU.ini").string();
    }();
    {
        std::ofstream out(nativePath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    std::string found;
    const DescriptionFormat format = CheckDescriptionFormat(path, found);
    const bool ok = ReadProfileText(path, "QVU.ini", "ver") == kDescriptionFormatVersion &&
                    ReadProfileText(path, "QVU.end", "ver") == kDescriptionFormatVersion;
    Require((format == DescriptionFormat::Ok) == ok, "the format check answers otherwise");

    // The file's own sections: the first few as they are, and the products
    // whose sections are there (any letter case), with their labels.
    std::vector<char> names(4096);
    GetPrivateProfileStringA(nullptr, nullptr, "", names.data(), static_cast<DWORD>(names.size()),
                             path.c_str());
    std::vector<std::string> sections;
    for (const char* name = names.data(); *name; name += std::strlen(name) + 1)
        sections.emplace_back(name);
    for (std::size_t k = 0; k < sections.size() && k < 4; ++k)
        ReadSection(path, found, sections[k].c_str(), nullptr);
    for (const ProductInfo& product : ProductCatalogue)
        for (const std::string& section : sections)
            if (ascii::EqualsIgnoringCase(section, product.ShortId)) {
                ReadSection(path, found, product.ShortId, product.DisplayFormat);
                break;
            }
    // A product without a section, and the fallback row's.
    ReadSection(path, found, ProductCatalogue.back().ShortId,
                ProductCatalogue.back().DisplayFormat);
    ReadSection(path, found, FallbackProductInfo.ShortId, nullptr);
    return 0;
}
