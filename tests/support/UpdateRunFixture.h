// A whole update run under test: installed products in a machine root of
// the test's own, the update server on 127.0.0.1, recording stand-ins for
// the installer and the web browser, and the scripted front end.
#pragma once

#include "app/QVUUpdateApp.h"
#include "localization/XMLLocalizer.h"
#include "products/ProductCatalogue.h"
#include "tests/support/RetrievalTestSupport.h"
#include "tests/support/ScriptedFrontEnd.h"
#include "tests/support/TranslationsXml.h"

#include <filesystem>
#include <string>

namespace qvutest {

class UpdateRunTest : public RetrievalTest {
protected:
    UpdateRunTest();

    // Both folders recorded in the registry, Rered.ini in the settings folder
    // and QVVer.dll with fileVersion in the installation folder.
    void Install(Product product, const std::string& settingsFolder,
                 const std::string& installationFolder, const std::string& fileVersion);
    // Olvin 5 in C:\Quorvane\Olvin5\ and C:\Program Files\Olvin5\, version 5.1.0.3.
    void InstallOlvin5(const std::string& fileVersion = "5.1.0.3");

    // The served description with these product sections.
    void Describe(const std::string& sections, const std::string& formatVersion = "3.1");
    // A section offering version with the package bytes served under
    // "packages/<name>", its size and MD5 published.
    // host serves it when given (a slower server of the same folder, say).
    std::string PackageSection(const std::string& section, const std::string& version,
                               const std::string& bytes, const std::string& name = "olvin5.msi",
                               const LocalServer* host = nullptr);

    // Runs the update manager at programPath with the command line and the
    // scripted front end; answers how the run ended.
    RunOutcome Run(const std::string& commandLine = "",
                   const std::string& programPath = "C:\\Tools\\QVUUpdate.exe") {
        return RunWith(frontEnd, commandLine, programPath);
    }
    // The same with another front end.
    RunOutcome RunWith(UpdateFrontEnd& with, const std::string& commandLine = "",
                       const std::string& programPath = "C:\\Tools\\QVUUpdate.exe");

    // The file behind a path of drive C.
    std::filesystem::path OnDriveC(const std::string& windowsPath) const;
    // The translation of item, as the dialog shows it.
    std::string Text(const char* itemId) const { return texts.GetText(itemId); }
    // What the installer stand-in was started with ("" when it was not).
    std::string InstallerRecord(int lines = 1) const;
    // The addresses the web browser stand-in was asked to open.
    std::string OpenedPages(int lines = 1) const;

    static constexpr const char* kOlvinSettings = "C:\\Quorvane\\Olvin5\\";
    static constexpr const char* kOlvinProgram = "C:\\Program Files\\Olvin5\\";

    const UserLanguage english{"en_US.UTF-8"};
    XMLLocalizer texts;
    LocalServer server{served};
    ScriptedFrontEnd frontEnd;
    std::filesystem::path standIns = root.Folder() / "bin";
    std::filesystem::path installerRecord = root.Folder() / "installer.txt";
    std::filesystem::path browserRecord = root.Folder() / "browser.txt";
};

} // namespace qvutest
