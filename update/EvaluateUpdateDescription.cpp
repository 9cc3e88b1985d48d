#include "update/EvaluateUpdateDescription.h"

#include "base/KxString.h"
#include "localization/XMLLocalizer.h"
#include "platform/dialog_controls.h"
#include "platform/window.h"
#include "products/ProductCatalogue.h"
#include "update/DownloadUrlToFile.h"
#include "update/ProfileText.h"
#include "update/UpdateDescription.h"
#include "update/VersionText.h"

namespace {

class Evaluation {
public:
    Evaluation(const XMLLocalizer& localizer, HWND dialog, const char* caption)
        : localizer_(localizer), dialog_(dialog), caption_(caption) {}

    void SetLabel(const char* text) const {
        SetDlgItemTextA(dialog_, kOfferedVersionControl, text);
    }
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
    const char* caption_;
};

} // namespace

bool EvaluateUpdateDescription(Product selected, const std::string& settingsFolder,
                               const XMLLocalizer& localizer, HWND dialog, const char* caption,
                               std::string& offeredVersion) {
    const Evaluation evaluation(localizer, dialog, caption);
    evaluation.SetLabelItem("APP_UPDATE_INIT");

    const std::string path = UpdateDescriptionPath(settingsFolder);
    if (DownloadUrlToFile(UpdateDescriptionAddress().c_str(), path.c_str(), nullptr, nullptr) == 0)
        return evaluation.FailWithItem("ERROR_QVU_NOTFOUND");
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
