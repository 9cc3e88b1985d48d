#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

class QvuMsiexec : public testing::Test {
protected:
    void SetUp() override { environment_.Set("QVU_INSTALLER_RECORD", record_.string()); }

    // Runs the stand-in with arguments; its exit status, with its output kept.
    int Run(const std::vector<std::string>& arguments) {
        std::string command = "'" + qvutest::ProgramPath("qvu-msiexec").string() + "'";
        for (const std::string& argument : arguments)
            command += " '" + argument + "'";
        command += " >'" + (root_.Folder() / "out").string() + "' 2>'" +
                   (root_.Folder() / "err").string() + "'";
        const int status = std::system(command.c_str());
        output_ = qvutest::ReadFile(root_.Folder() / "out");
        errors_ = qvutest::ReadFile(root_.Folder() / "err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    qvutest::TempRoot root_;
    qvutest::ScopedEnvironment environment_;
    const fs::path driveC_ = root_.MapDrive('C');
    const fs::path record_ = root_.Folder() / "record.txt";
    std::string output_;
    std::string errors_;
};

TEST_F(QvuMsiexec, RecordsArgumentsAndAppendsAVerboseLog) {
    qvutest::WriteFile(driveC_ / "Data" / "Update" / "Quorvane.msi", "package");
    qvutest::WriteFile(driveC_ / "Logs" / "QVUUpdate(2026-12-09).log", "header\r\n");
    ASSERT_EQ(Run({"/i", "C:\\Data\\Update\\Quorvane.msi", "/L*v",
                   "C:\\Logs\\QVUUpdate(2026-12-09).log", "/qb+"}),
              0)
        << errors_;
    EXPECT_EQ(qvutest::ReadFile(record_), "[/i] [C:\\Data\\Update\\Quorvane.msi] [/L*v] "
                                          "[C:\\Logs\\QVUUpdate(2026-12-09).log] [/qb+]\n");
    const std::string log = qvutest::ReadFile(driveC_ / "Logs" / "QVUUpdate(2026-12-09).log");
    EXPECT_EQ(log.rfind("header\r\n=== Verbose logging started: ", 0), 0u) << log;
    EXPECT_NE(log.find("\r\nInstalling package C:\\Data\\Update\\Quorvane.msi\r\n"),
              std::string::npos);
    EXPECT_NE(output_.find("installed C:\\Data\\Update\\Quorvane.msi"), std::string::npos);
}

TEST_F(QvuMsiexec, FailsForAMissingPackageOrNone) {
    EXPECT_EQ(Run({"/I", "C:\\Data\\Update\\Missing.msi", "/qb+"}), 1);
    EXPECT_NE(errors_.find("1619"), std::string::npos);
    EXPECT_NE(errors_.find("C:\\Data\\Update\\Missing.msi"), std::string::npos);
    EXPECT_EQ(Run({"/qb+", "with blank"}), 2);
    EXPECT_EQ(qvutest::ReadFile(record_),
              "[/I] [C:\\Data\\Update\\Missing.msi] [/qb+]\n[/qb+] [with blank]\n");
}

TEST_F(QvuMsiexec, RecordsInTheMachineRootByDefault) {
    environment_.Unset("QVU_INSTALLER_RECORD");
    Run({"/i", "C:\\x.msi"});
    EXPECT_EQ(qvutest::ReadFile(root_.Root() / "qvu-msiexec.log"), "[/i] [C:\\x.msi]\n");
}

bool OnPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// A real MSI package, built with wixl (msitools): App.dll and Data\sample.dat
// of ProgramFilesFolder\Olvin.
bool BuildPackage(const fs::path& folder, const fs::path& package) {
    qvutest::WriteFile(folder / "App.dll", "new module\n");
    qvutest::WriteFile(folder / "Data" / "sample.dat", "new data\n");
    qvutest::WriteFile(
        folder / "Olvin.wxs",
        "<?xml version=\"1.0\"?>\n"
        "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n"
        " <Product Id=\"*\" Name=\"Olvin\" Version=\"5.1.0.0\" Manufacturer=\"Kaltrex\" "
        "Language=\"1033\" UpgradeCode=\"6C1B6E2E-4B57-4F63-9D52-2E2C1A7C5B11\">\n"
        "  <Package Compressed=\"yes\" InstallScope=\"perMachine\"/>\n"
        "  <Media Id=\"1\" Cabinet=\"o.cab\" EmbedCab=\"yes\"/>\n"
        "  <Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n"
        "   <Directory Id=\"ProgramFilesFolder\"><Directory Id=\"INSTALLDIR\" Name=\"Olvin\">\n"
        "    <Component Id=\"App\" Guid=\"1E0F3A51-9C7B-4E4B-A4A5-3D5B7B6C1A11\">"
        "<File Id=\"App.dll\" Source=\"App.dll\" KeyPath=\"yes\"/></Component>\n"
        "    <Directory Id=\"DataFolder\" Name=\"Data\">"
        "<Component Id=\"Data\" Guid=\"1E0F3A51-9C7B-4E4B-A4A5-3D5B7B6C1A12\">"
        "<File Id=\"sample.dat\" Source=\"Data/sample.dat\" KeyPath=\"yes\"/></Component>"
        "</Directory>\n"
        "   </Directory></Directory>\n"
        "  </Directory>\n"
        "  <Feature Id=\"All\" Level=\"1\"><ComponentRef Id=\"App\"/>"
        "<ComponentRef Id=\"Data\"/></Feature>\n"
        " </Product>\n"
        "</Wix>\n");
    fs::create_directories(package.parent_path());
    // wixl ends with success even when it could not write the package.
    return std::system(("cd '" + folder.string() + "' && wixl -o '" + package.string() +
                        "' Olvin.wxs >/dev/null 2>&1")
                           .c_str()) == 0 &&
           fs::exists(package);
}

TEST_F(QvuMsiexec, InstallsThePackageIntoTheTargetFolderWhenOneIsNamed) {
    if (!OnPath("wixl") || !OnPath("msiextract"))
        GTEST_SKIP() << "wixl and msiextract (Debian packages wixl, msitools) are needed";
    ASSERT_TRUE(BuildPackage(root_.Folder() / "source", driveC_ / "Update" / "Quorvane.msi"));
    const fs::path installed = driveC_ / "Program Files" / "Olvin";
    qvutest::WriteFile(installed / "App.dll", "old module\n");
    qvutest::WriteFile(installed / "kept.txt", "not in the package\n");
    qvutest::WriteFile(driveC_ / "Logs" / "update.log", "header\r\n");
    const fs::path temp = root_.Folder() / "temp";
    fs::create_directories(temp);
    environment_.Set("TMPDIR", temp.string());
    environment_.Set("QVU_INSTALLER_TARGETDIR", "C:\\");

    ASSERT_EQ(Run({"/i", "C:\\Update\\Quorvane.msi", "/L*v", "C:\\Logs\\update.log", "/qb+"}), 0)
        << errors_;
    EXPECT_EQ(qvutest::ReadFile(installed / "App.dll"), "new module\n");
    EXPECT_EQ(qvutest::ReadFile(installed / "Data" / "sample.dat"), "new data\n");
    EXPECT_EQ(qvutest::ReadFile(installed / "kept.txt"), "not in the package\n");
    EXPECT_EQ(qvutest::ReadFile(record_), "[/i] [C:\\Update\\Quorvane.msi] [/L*v] "
                                          "[C:\\Logs\\update.log] [/qb+]\n");
    const std::string log = qvutest::ReadFile(driveC_ / "Logs" / "update.log");
    EXPECT_NE(log.find("\r\nInstalling package C:\\Update\\Quorvane.msi\r\n"
                       "Installed file C:\\Program Files\\Olvin\\App.dll\r\n"
                       "Installed file C:\\Program Files\\Olvin\\Data\\sample.dat\r\n"
                       "Installation success or error status: 0.\r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(output_.find("into C:\\ (2 files)"), std::string::npos) << output_;
    // Its work folder is gone.
    EXPECT_TRUE(fs::is_empty(temp));
}

TEST_F(QvuMsiexec, ReportsAnInstallationThatFails) {
    if (!OnPath("msiextract"))
        GTEST_SKIP() << "msiextract (Debian package msitools) is needed";
    // A file that merely starts like an MSI package.
    qvutest::WriteFile(driveC_ / "Update" / "Quorvane.msi",
                       std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "no package");
    // A target folder on a drive that is not there.
    environment_.Set("QVU_INSTALLER_TARGETDIR", "D:\\");
    EXPECT_EQ(Run({"/i", "C:\\Update\\Quorvane.msi", "/L*v", "C:\\install.log"}), 3);
    EXPECT_NE(errors_.find("error 1603"), std::string::npos) << errors_;
    std::string log = qvutest::ReadFile(driveC_ / "install.log");
    EXPECT_NE(log.find("\r\nError: the target folder D:\\ does not exist\r\n"
                       "Installation success or error status: 1603.\r\n"),
              std::string::npos)
        << log;
    // msiextract finds nothing in it.
    environment_.Set("QVU_INSTALLER_TARGETDIR", "C:\\");
    EXPECT_EQ(Run({"/i", "C:\\Update\\Quorvane.msi", "/L*v", "C:\\install.log"}), 3);
    log = qvutest::ReadFile(driveC_ / "install.log");
    EXPECT_NE(log.find("\r\nError: msiextract found no files in the package\r\n"
                       "Installation success or error status: 1603.\r\n"),
              std::string::npos)
        << log;
    // A file that is no MSI package at all.
    qvutest::WriteFile(driveC_ / "Update" / "Quorvane.msi", "no package");
    EXPECT_EQ(Run({"/i", "C:\\Update\\Quorvane.msi", "/L*v", "C:\\install.log"}), 3);
    EXPECT_NE(errors_.find("error 1620"), std::string::npos) << errors_;
    log = qvutest::ReadFile(driveC_ / "install.log");
    EXPECT_NE(log.find("\r\nError: the package C:\\Update\\Quorvane.msi is no Windows "
                       "Installer package\r\nInstallation success or error status: 1620.\r\n"),
              std::string::npos)
        << log;
    EXPECT_FALSE(fs::exists(driveC_ / "Program Files"));
}

TEST_F(QvuMsiexec, DescribesItself) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(output_.find("Usage: qvu-msiexec /i PACKAGE"), std::string::npos);
    EXPECT_FALSE(fs::exists(record_));
}

} // namespace
