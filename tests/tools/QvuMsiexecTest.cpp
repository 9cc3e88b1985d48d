#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

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

TEST_F(QvuMsiexec, DescribesItself) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(output_.find("Usage: qvu-msiexec /i PACKAGE"), std::string::npos);
    EXPECT_FALSE(fs::exists(record_));
}

} // namespace
