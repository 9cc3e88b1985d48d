// The description's signature in the update check: with publishers' keys
// trusted on the machine, only a description signed with one of them, and
// not older than the last one accepted, is used; the update log says what
// became of every description, signed or not. Signatures by the real minisign.
#include "update/DescriptionSignature.h"
#include "localization/XMLLocalizer.h"
#include "platform/registry.h"
#include "platform/time.h"
#include "tests/support/Minisign.h"
#include "tests/support/RetrievalTestSupport.h"
#include "tests/support/TranslationsXml.h"
#include "update/UpdateDescription.h"
#include "update/UpdateLog.h"

namespace {

constexpr const char* kDescription =
    "[QVU.ini]\r\nver=3.1\r\n[Zetra5]\r\nVersionLong=5.1.0.0\r\n[QVU.end]\r\nver=3.1\r\n";

// A signature file's start, then more than any signature file holds.
const std::string kOversized = "untrusted comment: x\n" + std::string(5000, 'A') + "\n";

class DescriptionSignatureTest : public qvutest::RetrievalTest {
protected:
    void SetUp() override {
        localizer.ParseXml(
            qvutest::TranslationsXml(qvutest::Item("ERROR_QVU_NOTFOUND", "<English>gone</English>"))
                .c_str());
        ASSERT_TRUE(pairs.at("a").Made() && pairs.at("b").Made())
            << "is minisign installed (scripts/bootstrap.sh)?";
        server = std::make_unique<qvutest::LocalServer>(served);
        ASSERT_TRUE(server->Started());
        UseServer(*server);
    }

    // Trusts the public key of pair name on the machine, as an administrator does.
    void Trust(const std::string& name) const {
        const std::string pub = pairs.at(name).PublicKeyLine();
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kTrustedKeysKey, 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(pub.c_str()),
                       static_cast<DWORD>(pub.size() + 1));
        RegCloseKey(key);
    }

    // Serves description, signed with pair name at time (and options), as QVU.ini.minisig.
    void ServeSigned(const std::string& description, const std::string& name, long time,
                     const std::string& options = "") {
        Serve("QVU.ini", description);
        ASSERT_TRUE(pairs.at(name).Sign(served / "QVU.ini", time, options));
    }

    bool Evaluate() {
        return EvaluateUpdateDescription(Zetra5, kSettingsFolder, localizer, window, 1003,
                                         "QVUUpdate", offered, note);
    }

    // The lines the update log of the day holds.
    std::string UpdateLog() const {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        return qvutest::ReadFile(SettingsFolder() / "Update" / UpdateLogPath("", now));
    }

    const qvutest::UserLanguage english{"en_US.UTF-8"};
    XMLLocalizer localizer;
    const qvutest::MessageBoxRecorder boxes;
    const std::map<std::string, qvutest::MinisignKeyPair> pairs{
        {"a", {root.Folder() / "keys", "a"}}, {"b", {root.Folder() / "keys", "b"}}};
    std::unique_ptr<qvutest::LocalServer> server;
    std::string offered;
    std::string note;
};

// Without a trusted key nothing changes: the description is noted unsigned
// for the installation's log, and no log is written for a run without one.
TEST_F(DescriptionSignatureTest, WithoutTrustedKeysTheDescriptionIsUsedAndNotedUnsigned) {
    Serve("QVU.ini", kDescription);
    EXPECT_TRUE(Evaluate());
    EXPECT_EQ(offered, "5.1.0.0");
    EXPECT_EQ(note, "Update description not signed: no publisher key is trusted on this machine");
    EXPECT_EQ(UpdateLog(), "");
}

struct TrustCase {
    const char* name;
    // What the server holds beside the description: its signature made by
    // the pair, legacy or not; or a text of its own.
    const char* signer; // "" for none
    const char* options;
    const char* served; // with no signer: the signature file served ("" none)
    bool changeDescription;
    bool changeComment; // a later signing time in the signature's trusted comment
    bool accepted;
    const char* logged;
};

class DescriptionTrustTest : public DescriptionSignatureTest,
                             public ::testing::WithParamInterface<TrustCase> {};

// Each description is used only when signed with a trusted key: the note of
// an accepted one, the update log of a refused one says so.
TEST_P(DescriptionTrustTest, OnlyATrustedSignatureIsUsed) {
    const TrustCase& test = GetParam();
    Trust("a");
    if (*test.signer != '\0') {
        ServeSigned(kDescription, test.signer, 1700000000, test.options);
    } else {
        Serve("QVU.ini", kDescription);
        if (*test.served != '\0')
            Serve("QVU.ini.minisig", test.served);
    }
    if (test.changeDescription)
        Serve("QVU.ini", std::string(kDescription) + "[Olvin5]\r\nMSI1=http://elsewhere/\r\n");
    if (test.changeComment) {
        std::string signature = qvutest::ReadFile(served / "QVU.ini.minisig");
        signature.replace(signature.find("timestamp:"), 10, "timestamp:9");
        Serve("QVU.ini.minisig", signature);
    }

    EXPECT_EQ(Evaluate(), test.accepted);
    const std::string said = test.accepted ? note : UpdateLog();
    EXPECT_NE(said.find(test.logged), std::string::npos) << said;
    EXPECT_EQ(boxes.Boxes().size(), test.accepted ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DescriptionTrustTest,
    ::testing::Values(
        TrustCase{"Prehashed", "a", "", "", false, false, true, "signature verified (key "},
        TrustCase{"Legacy", "a", "-l", "", false, false, true, "signature verified (key "},
        TrustCase{"UnknownKey", "b", "", "", false, false, false, "a key that is not trusted"},
        TrustCase{"ChangedDescription", "a", "", "", true, false, false,
                  "the signature does not match it"},
        TrustCase{"ChangedTrustedComment", "a", "", "", false, true, false,
                  "trusted comment was changed"},
        TrustCase{"NoSignature", "", "", "", false, false, false, "could not be fetched"},
        TrustCase{"Garbage", "", "", "untrusted comment: x\nnot base64\n", false, false, false,
                  "malformed"},
        TrustCase{"Oversized", "", "", kOversized.c_str(), false, false, false, "malformed"}),
    [](const auto& info) { return std::string(info.param.name); });

// A description signed earlier than the one accepted last is an older one
// replayed: refused. The same one again passes; a newer one too.
TEST_F(DescriptionSignatureTest, AnOlderSignedDescriptionIsRefusedAsReplayed) {
    Trust("a");
    const std::pair<long, bool> runs[] = {
        {1700000500, true}, {1700000500, true}, {1700000100, false}, {1700000900, true}};
    for (const auto& [time, accepted] : runs) {
        ServeSigned(kDescription, "a", time);
        EXPECT_EQ(Evaluate(), accepted) << time;
    }
    EXPECT_NE(UpdateLog().find("replayed, signed at 1700000100, before the one accepted last, "
                               "signed at 1700000500"),
              std::string::npos)
        << UpdateLog();
}

} // namespace
