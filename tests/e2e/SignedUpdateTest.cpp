// Signed updates end to end: the administrator trusts the publisher's key
// with qvu-reg, the publisher signs QVU.ini with minisign; a server that
// holds no secret key cannot get another package installed, whatever it
// writes into the description.
#include "tests/e2e/UpdateMachine.h"
#include "tests/support/Minisign.h"

namespace {

using qvutest::ProgramRun;
using qvutest::ReadFile;

class SignedUpdateTest : public qvutest::UpdateMachineTest {
protected:
    void SetUp() override {
        UpdateMachineTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(publisher.Made()) << "is minisign installed (scripts/bootstrap.sh)?";
        InstallOlvin5();
        const ProgramRun trusted = qvutest::RunProgram(
            qvutest::ProgramPath("qvu-reg"),
            {"add", "HKLM\\Software\\Kaltrex\\Quorvane Zelvo Update\\Trusted Keys", "/v", "release",
             "/d", publisher.PublicKeyLine(), "/f"},
            {}, "", root.Folder() / "tools");
        ASSERT_EQ(trusted.exitStatus, 0) << trusted.output << trusted.errors;
    }

    std::string UpdateLog() const {
        return qvutest::ReadFile(OnDrive(kUpdateFolder) / TodaysLogName());
    }

    const qvutest::MinisignKeyPair publisher{root.Folder() / "publisher", "release"};
};

// The publisher's description, signed, with the package's SHA-256: installed.
// Then the server swaps in a package of its own with a description to match
// (size, MD5, SHA-256, address): without the secret key its signature no
// longer fits, and nothing is downloaded or installed.
TEST_F(SignedUpdateTest, OnlyThePublishersDescriptionLeadsToTheInstaller) {
    const std::string package = ServePackage(40000);
    const std::string description = ReadFile(served / "QVU.ini");
    Serve("QVU.ini", description.substr(0, description.find("[QVU.end]")) +
                         "SHA256=" + qvutest::Sha256Text(package) + "\r\n[QVU.end]\r\nver=3.1\r\n");
    ASSERT_TRUE(publisher.Sign(served / "QVU.ini", 1760000000));

    const ProgramRun signedRun = RunUpdate({"/autostart"}, "");
    EXPECT_EQ(signedRun.exitStatus, qvutest::kInstallerStarted)
        << signedRun.output << signedRun.errors;
    EXPECT_NE(UpdateLog().find("Update description signature verified (key "), std::string::npos)
        << UpdateLog();
    ASSERT_NE(InstallerRecord(), "");
    std::filesystem::remove(installerRecord);

    const std::string signature = ReadFile(served / "QVU.ini.minisig");
    ServePackage(50000, Url("/packages/Evil.msi")); // its own digests, unsigned
    qvutest::WriteFile(served / "packages" / "Evil.msi", qvutest::PackageBytes(50000));
    Serve("QVU.ini.minisig", signature); // the publisher's, of the earlier file
    const ProgramRun swapped = RunUpdate({"/autostart"}, "");
    EXPECT_EQ(swapped.exitStatus, qvutest::kRefused) << swapped.output << swapped.errors;
    EXPECT_EQ(InstallerRecord(1000), "");
    EXPECT_NE(UpdateLog().find("Update description refused: the signature does not match it"),
              std::string::npos)
        << UpdateLog();
    EXPECT_NE(TraceLogText().find("the signature does not match it"), std::string::npos);
}

} // namespace
