#include "tests/support/UpdateRunFixture.h"

#include "platform/registry.h"
#include "products/ProductCatalogue.h"
#include "tests/support/ShellStandIns.h"
#include "tests/support/VersionTestDll.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace qvutest {

namespace fs = std::filesystem;

namespace {

void RecordFolder(Product product, const std::string& subkey, const std::string& folder) {
    const std::string path = std::string(FindProduct(product).RegistryKey) + subkey;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                             static_cast<DWORD>(folder.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

} // namespace

UpdateRunTest::UpdateRunTest() {
    texts.ResourceName = "IDR_STRINGS";
    texts.Load();
    environment.Unset("QVU_SYSTEM_DIR");
    UseServer(server);
    environment.Set("QVU_WEB_SERVER", server.Url("/"));

    // The server's copy of the running program: the same size and an hour
    // older, so the update manager finds itself up to date.
    const fs::path program = fs::read_symlink("/proc/self/exe");
    const fs::path copy = served / "ZoZuzaviz" / "QVUUpdate.exe";
    WriteFile(copy, "");
    fs::resize_file(copy, fs::file_size(program));
    fs::last_write_time(copy, fs::last_write_time(program) - std::chrono::hours(1));

    fs::create_directories(standIns);
    fs::create_symlink(ProgramPath("qvu-msiexec"), standIns / "msiexec");
    WriteRecordingScript(standIns / "xdg-open", browserRecord);
    environment.Set("PATH", standIns.string() + ":" + std::getenv("PATH"));
    environment.Set("QVU_INSTALLER_RECORD", installerRecord.string());
}

fs::path UpdateRunTest::OnDriveC(const std::string& windowsPath) const {
    std::string relative = windowsPath.substr(3);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return driveC / relative;
}

void UpdateRunTest::Install(Product product, const std::string& settingsFolder,
                            const std::string& installationFolder, const std::string& fileVersion) {
    RecordFolder(product, "IniFilePath", settingsFolder);
    RecordFolder(product, "InstallPath", installationFolder);
    WriteFile(OnDriveC(settingsFolder + "Rered.ini"), "");
    MakeVersionDll(OnDriveC(installationFolder + "QVVer.dll"), fileVersion);
}

void UpdateRunTest::InstallOlvin5(const std::string& fileVersion) {
    Install(Olvin5, kOlvinSettings, kOlvinProgram, fileVersion);
}

void UpdateRunTest::Describe(const std::string& sections, const std::string& formatVersion) {
    Serve("QVU.ini", "[QVU.ini]\r\nver=" + formatVersion + "\r\n" + sections +
                         "[QVU.end]\r\nver=" + formatVersion + "\r\n");
}

std::string UpdateRunTest::PackageSection(const std::string& section, const std::string& version,
                                          const std::string& bytes, const std::string& name,
                                          const LocalServer* host) {
    Serve("packages/" + name, bytes);
    return "[" + section + "]\r\nVersionLong=" + version + "\r\nFileName=" + name +
           "\r\nFileSize=" + std::to_string(bytes.size()) + "\r\nMD5=" + Md5Text(bytes) +
           "\r\nMSI1=" + (host ? *host : server).Url("/packages/" + name) + "\r\n";
}

RunOutcome UpdateRunTest::RunWith(UpdateFrontEnd& with, const std::string& commandLine,
                                  const std::string& programPath) {
    CQVUUpdateApp app(programPath);
    EXPECT_FALSE(app.InitInstance(commandLine, with));
    // The installer runs detached: let it finish before the root goes.
    if (app.Outcome() == RunOutcome::InstallerStarted)
        WaitForLines(installerRecord, 1);
    return app.Outcome();
}

std::string UpdateRunTest::InstallerRecord(int lines) const {
    return WaitForLines(installerRecord, lines);
}

std::string UpdateRunTest::OpenedPages(int lines) const {
    return WaitForLines(browserRecord, lines);
}

} // namespace qvutest
