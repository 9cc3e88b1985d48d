// The hand-off of a ready package: prepare the installed product, write the
// update log header, start the Windows Installer and close.
#include "app/QVUUpdateDlg.h"

#include "app/FileTimeReset.h"
#include "app/InstallerHandOff.h"
#include "app/UninstallList.h"
#include "base/KxString.h"
#include "products/ProductCatalogue.h"
#include "update/PackageEntry.h"
#include "update/UpdateDescription.h"
#include "update/UpdateLog.h"

void CQVUUpdateDlg::InstallPackage() {
    const std::string& installationFolder = m_Selection.InstallationFolder;
    StartAuxiliaryPrograms(installationFolder);
    CleanUpPreviousInstallation(installationFolder, m_Selection.SettingsFolder);
    ResetModificationTimes(installationFolder + "Data\\");
    ResetModificationTimes(installationFolder + "Docs\\");

    const std::string updateFolder = m_Selection.SettingsFolder + "Update\\";
    std::string logPath;
    const bool logged = CreateUpdateLog(m_Selection.SettingsFolder, m_Selection.InstalledVersion,
                                        m_OfferedVersion, m_Texts, updateFolder, logPath);
    if (!logged) {
        KxString question;
        question.Format(Text("ERROR_UNABLETOCREATELOG").c_str(), logPath.c_str());
        if (ShowMessage(static_cast<const char*>(question), MB_YESNO | MB_ICONEXCLAMATION) !=
            IDYES) {
            m_Busy = false;
            EnableStart(true);
            return;
        }
    }

    const PackageEntry entry = ReadPackageEntry(UpdateDescriptionPath(m_Selection.SettingsFolder),
                                                FindProduct(m_Selection.Selected).ShortId);
    StartInstaller(InstallerParameters(updateFolder, entry.fileName, logged ? logPath : ""));
    m_InstallerStarted = true;
    m_Busy = false;
    PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
}
