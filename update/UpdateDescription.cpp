#include "update/UpdateDescription.h"

#include "base/KxString.h"
#include "base/VisibleText.h"
#include "localization/XMLLocalizer.h"
#include "platform/dialog_controls.h"
#include "platform/profile.h"
#include "platform/strings.h"
#include "platform/window.h"
#include "products/ProductCatalogue.h"
#include "tracelog/TraceLog.h"
#include "update/DescriptionSignature.h"
#include "update/Download.h"
#include "update/SelfCheck.h"
#include "update/UpdateLog.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace {

using VersionNumbers = std::array<int, 4>;

// Moves pos past blanks and one sign; answers whether the sign was a minus.
bool SkipBlanksAndSign(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && ascii::IsSpace(text[pos]))
        ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        return text[pos++] == '-';
    return false;
}

VersionNumbers ParseVersion(std::string_view text) {
    VersionNumbers numbers = {-1, -1, -1, -1};
    std::size_t pos = 0;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        if (k > 0) {
            if (pos >= text.size() || text[pos] != '.')
                break;
            ++pos;
        }
        if (!ascii::ScanDecimal(text, pos, numbers[k]))
            break;
    }
    return numbers;
}

class Evaluation {
public:
    Evaluation(const XMLLocalizer& localizer, HWND dialog, int labelControl, const char* caption)
        : localizer_(localizer), dialog_(dialog), labelControl_(labelControl), caption_(caption) {}

    void SetLabel(const char* text) const { SetDlgItemTextA(dialog_, labelControl_, text); }
    void SetLabelItem(const char* itemId) const { SetLabel(localizer_.GetText(itemId).c_str()); }

    // Every failure but a missing release: the label, then the message.
    bool Fail(const char* message) const {
        SetLabelItem("APP_UPDATE_NOTFOUND");
        MessageBoxA(dialog_, message, caption_, MB_ICONERROR | MB_OK);
        return false;
    }
    bool FailWithItem(const char* itemId) const { return Fail(localizer_.GetText(itemId).c_str()); }
    bool FailWithWrongVersion(const std::string& found) const {
        KxString message;
        message.Format(localizer_.GetText("ERROR_QVU_WRONGVERSION").c_str(),
                       kDescriptionFormatVersion, found.c_str());
        return Fail(message);
    }

private:
    const XMLLocalizer& localizer_;
    HWND dialog_;
    int labelControl_;
    const char* caption_;
};

} // namespace

std::string ReadProfileText(const std::string& path, const char* section, const char* key,
                            const char* defaultValue) {
    char buffer[260] = {};
    GetPrivateProfileStringA(section, key, defaultValue, buffer, sizeof buffer, path.c_str());
    return buffer;
}

std::optional<std::string> ReadProfileValue(const std::string& path, const char* section,
                                            const char* key) {
    // The reader tells a missing key only by its default: a key is missing
    // when two different defaults both come back.
    std::string value = ReadProfileText(path, section, key, "-");
    if (value == "-" && ReadProfileText(path, section, key, "+") == "+")
        return std::nullopt;
    return value;
}

bool ShowsShortVersion(std::string_view versionLong) {
    const std::size_t lastDot = versionLong.rfind('.');
    const std::string_view last =
        lastDot == std::string_view::npos ? versionLong : versionLong.substr(lastDot + 1);
    std::size_t pos = 0;
    SkipBlanksAndSign(last, pos);
    // The number is 0 exactly when its digits are all zeros (or there are none);
    // judging by the digits avoids converting a number that may not fit.
    for (; pos < last.size() && ascii::IsDigit(last[pos]); ++pos)
        if (last[pos] != '0')
            return false;
    return true;
}

std::string ChooseShownVersion(std::string_view versionLong, std::string_view versionShort) {
    return std::string(ShowsShortVersion(versionLong) ? versionShort : versionLong);
}

int CompareVersions(std::string_view a, std::string_view b) {
    const VersionNumbers first = ParseVersion(a);
    const VersionNumbers second = ParseVersion(b);
    for (std::size_t k = 0; k < first.size(); ++k) {
        if (first[k] > second[k])
            return 1;
        if (first[k] < second[k])
            return -1;
    }
    return 0;
}

std::string UpdateDescriptionPath(const std::string& settingsFolder) {
    return settingsFolder + "Update\\QVU.ini";
}

std::string UpdateDescriptionAddress() {
    return UpdateServerBaseAddress() + "/QVU.ini";
}

DescriptionFormat CheckDescriptionFormat(const std::string& descriptionPath,
                                         std::string& foundVersion) {
    foundVersion = ReadProfileText(descriptionPath, "QVU.ini", "ver");
    if (foundVersion.empty())
        return DescriptionFormat::Missing;
    if (foundVersion != kDescriptionFormatVersion)
        return DescriptionFormat::WrongVersion;
    foundVersion = ReadProfileText(descriptionPath, "QVU.end", "ver");
    if (foundVersion != kDescriptionFormatVersion)
        return DescriptionFormat::WrongVersion;
    return DescriptionFormat::Ok;
}

PackageEntry ReadPackageEntry(const std::string& descriptionPath, const std::string& shortId) {
    PackageEntry entry;
    const char* section = shortId.c_str();
    entry.fileName = ReadProfileText(descriptionPath, section, "FileName", entry.fileName.c_str());
    entry.fileSize = GetPrivateProfileIntA(section, "FileSize", 0, descriptionPath.c_str());
    entry.md5 = ReadProfileText(descriptionPath, section, "MD5");
    entry.sha256 = ReadProfileValue(descriptionPath, section, "SHA256");
    for (int i = 1;; ++i) {
        const std::string key = "MSI" + std::to_string(i);
        std::string address = ReadProfileText(descriptionPath, section, key.c_str());
        if (address.empty())
            break;
        entry.downloadAddresses.push_back(std::move(address));
    }
    return entry;
}

bool IsPlainFileName(const char* name) {
    if (name == nullptr || *name == '\0')
        return false;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
        return false;
    if (std::strpbrk(name, "\\/:") != nullptr)
        return false;
    // The file system drops a name's trailing blanks and dots, and finds it
    // in any letter case.
    std::string_view stored = name;
    while (!stored.empty() && (stored.back() == ' ' || stored.back() == '.'))
        stored.remove_suffix(1);
    return !ascii::EqualsIgnoringCase(stored, "QVU.ini") && !IsUpdateLogName(stored);
}

bool EvaluateUpdateDescription(Product selected, const std::string& settingsFolder,
                               const XMLLocalizer& localizer, HWND dialog, int labelControl,
                               const char* caption, std::string& offeredVersion,
                               std::string& trustNote) {
    const Evaluation evaluation(localizer, dialog, labelControl, caption);
    evaluation.SetLabelItem("APP_UPDATE_INIT");

    const std::string path = UpdateDescriptionPath(settingsFolder);
    DownloadChecks checks;
    checks.byteLimit = kDescriptionSizeLimit;
    // The check runs on the dialog's thread, where Cancel waits for it: a
    // server trickling the description must not hold the run for ever.
    checks.wholeWithinReceiveTimeout = true;
    const DownloadResult stored =
        DownloadToFile(UpdateDescriptionAddress().c_str(), path.c_str(), nullptr, nullptr, checks);
    if (stored.bytes == 0 || stored.WriteFailed() || stored.bytes > kDescriptionSizeLimit)
        return evaluation.FailWithItem("ERROR_QVU_NOTFOUND");
    // Nothing of the description is read before its signature is checked:
    // where publishers' keys are trusted, an unsigned or forged one is not
    // used, and the update log says why at once; an accepted one is noted in
    // the log of the installation that follows.
    const DescriptionTrustResult trust =
        CheckDescriptionSignature(path, UpdateDescriptionAddress());
    trustNote = DescribeDescriptionTrust(trust);
    if (!trust.Accepted()) {
        AppendUpdateLogLine(settingsFolder, settingsFolder + "Update\\", trustNote);
        TraceLog(1).Format(1, "%s", VisibleControls(trustNote).c_str());
        return evaluation.FailWithItem("ERROR_QVU_NOTFOUND");
    }
    std::string foundVersion;
    switch (CheckDescriptionFormat(path, foundVersion)) {
    case DescriptionFormat::Missing:
        return evaluation.FailWithItem("ERROR_QVU_NOTFOUND");
    case DescriptionFormat::WrongVersion:
        return evaluation.FailWithWrongVersion(foundVersion);
    case DescriptionFormat::Ok:
        break;
    }

    const ProductInfo& product = FindProduct(selected);
    offeredVersion = ReadProfileText(path, product.ShortId, "VersionLong");
    if (offeredVersion.empty()) {
        evaluation.SetLabel("");
        return false;
    }
    const std::string versionShort = ShowsShortVersion(offeredVersion)
                                         ? ReadProfileText(path, product.ShortId, "VersionShort")
                                         : std::string();
    const std::string shown = ChooseShownVersion(offeredVersion, versionShort);
    if (!IsCatalogued(selected))
        return evaluation.FailWithItem("ERROR_QVU_INVALIDPRODUCT");

    KxString label;
    label.Format(product.DisplayFormat, shown.c_str(), offeredVersion.c_str());
    evaluation.SetLabel(label);
    return true;
}
