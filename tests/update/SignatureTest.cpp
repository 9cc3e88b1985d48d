// The minisign readers and the check, against signatures the real minisign
// program makes, and against its own verdict.
#include "update/Signature.h"
#include "platform/crypto.h"
#include "tests/support/TempRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qvutest::ReadFile;
using qvutest::WriteFile;

const std::string kFile = "[QVU.ini]\r\nver=3.1\r\n[Olvin5]\r\nVersionLong=5.1.2.1234\r\n"
                          "[QVU.end]\r\nver=3.1\r\n";
const std::string kOtherFile = "[QVU.ini]\r\nver=3.1\r\n[QVU.end]\r\nver=3.1\r\n";
// As minisign writes its own, with a field of the publisher's.
const std::string kComment = "timestamp:1700000000\tfile:QVU.ini\trelease 5.1";

bool RunQuietly(const std::string& command) {
    return std::system((command + " </dev/null >/dev/null 2>&1").c_str()) == 0;
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

// Standard base64, to forge the binary lines.
std::string Base64(const std::vector<unsigned char>& bytes) {
    static const char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        unsigned group = bytes[i] << 16;
        if (n > 1)
            group |= bytes[i + 1] << 8;
        if (n > 2)
            group |= bytes[i + 2];
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= n ? alphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return text;
}

std::vector<unsigned char> Decoded(const std::string& line) {
    std::vector<unsigned char> bytes(line.size());
    DWORD size = static_cast<DWORD>(bytes.size());
    EXPECT_TRUE(CryptStringToBinaryA(line.c_str(), 0, CRYPT_STRING_BASE64, bytes.data(), &size,
                                     nullptr, nullptr))
        << line;
    bytes.resize(size);
    return bytes;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::string Joined(const std::vector<std::string>& lines, const std::string& end = "\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

// Line index of text replaced by the base64 of its bytes as change leaves them.
template <typename Change>
std::string WithBinaryLine(const std::string& text, std::size_t index, Change change) {
    std::vector<std::string> lines = Lines(text);
    std::vector<unsigned char> bytes = Decoded(lines[index]);
    change(bytes);
    lines[index] = Base64(bytes);
    return Joined(lines);
}

// Two key pairs made by minisign, the description file and another, signed
// with the first key the default way (prehashed), the legacy way (-l), and
// with a trusted comment without a time.
class SignatureTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        root_ = new qvutest::TempRoot;
        const fs::path folder = root_->Folder();
        for (const char* name : {"a", "b"})
            ASSERT_TRUE(RunQuietly("minisign -G -W -p " +
                                   Quoted(folder / (std::string(name) + ".pub")) + " -s " +
                                   Quoted(folder / (std::string(name) + ".key"))))
                << "is minisign installed (scripts/bootstrap.sh)?";
        WriteFile(folder / "QVU.ini", kFile);
        WriteFile(folder / "other.ini", kOtherFile);
        const std::string comment =
            "\"$(printf 'timestamp:1700000000\\tfile:QVU.ini\\trelease 5.1')\"";
        Sign("QVU.ini", "prehashed.minisig", "-t " + comment);
        Sign("QVU.ini", "legacy.minisig", "-l -t " + comment);
        Sign("QVU.ini", "untimed.minisig", "-t 'release 5.1 '");
        Sign("other.ini", "other.minisig", "-t " + comment);
    }
    static void TearDownTestSuite() {
        delete root_;
        root_ = nullptr;
    }

    static void Sign(const std::string& file, const std::string& signature,
                     const std::string& options) {
        const fs::path folder = root_->Folder();
        ASSERT_TRUE(RunQuietly("minisign -S -s " + Quoted(folder / "a.key") + " -m " +
                               Quoted(folder / file) + " -x " + Quoted(folder / signature) + " " +
                               options));
    }

    static fs::path Path(const std::string& name) { return root_->Folder() / name; }
    static std::string Text(const std::string& name) { return ReadFile(Path(name)); }
    static MinisignPublicKey Key(const std::string& name) {
        const std::optional<MinisignPublicKey> key = ParseMinisignPublicKey(Text(name + ".pub"));
        EXPECT_TRUE(key) << name;
        return key.value_or(MinisignPublicKey{});
    }

    static qvutest::TempRoot* root_;
};

qvutest::TempRoot* SignatureTest::root_ = nullptr;

TEST_F(SignatureTest, ChecksNameTheReason) {
    const MinisignPublicKey a = Key("a");
    const MinisignPublicKey b = Key("b");
    MinisignPublicKey impostor = b; // a's id, another key
    impostor.keyId = a.keyId;
    const std::string prehashed = Text("prehashed.minisig");
    const std::string legacy = Text("legacy.minisig");
    std::vector<std::string> lines = Lines(prehashed);
    lines[2] = "trusted comment: timestamp:1900000000\tfile:QVU.ini\trelease 5.1";
    const std::string changedComment = Joined(lines);
    lines = Lines(prehashed);
    lines[0] = "untrusted comment: anyone may write here";
    const std::string changedUntrusted = Joined(lines);
    // Padded with the untrusted comment to the bound and one past it.
    lines = Lines(prehashed);
    lines[0] += std::string(kMaxSignatureFileSize - prehashed.size(), 'x');
    const std::string largest = Joined(lines);
    const std::string oversized = largest + "\n";
    const std::string algorithmChanged =
        WithBinaryLine(prehashed, 1, [](std::vector<unsigned char>& bytes) { bytes[0] = 'X'; });
    const std::string legacyAsPrehashed =
        WithBinaryLine(legacy, 1, [](std::vector<unsigned char>& bytes) { bytes[1] = 'D'; });
    const std::string signatureShort =
        WithBinaryLine(prehashed, 1, [](std::vector<unsigned char>& bytes) { bytes.pop_back(); });
    std::string changedFile = kFile;
    changedFile.replace(changedFile.find("1234"), 4, "1235");

    struct Case {
        const char* what;
        std::string file;
        std::string signature;
        std::vector<MinisignPublicKey> keys;
        SignatureCheck check;
        std::string comment;
        std::optional<std::uint64_t> timestamp;
    };
    const Case cases[] = {
        {"prehashed", kFile, prehashed, {a}, SignatureCheck::Ok, kComment, 1700000000},
        {"legacy", kFile, legacy, {a}, SignatureCheck::Ok, kComment, 1700000000},
        {"no time", kFile, Text("untimed.minisig"), {a}, SignatureCheck::Ok, "release 5.1 ", {}},
        {"rotation: the right key second",
         kFile,
         prehashed,
         {b, a},
         SignatureCheck::Ok,
         kComment,
         1700000000},
        {"CR LF",
         kFile,
         Joined(Lines(prehashed), "\r\n"),
         {a},
         SignatureCheck::Ok,
         kComment,
         1700000000},
        {"no last line end",
         kFile,
         prehashed.substr(0, prehashed.size() - 1),
         {a},
         SignatureCheck::Ok,
         kComment,
         1700000000},
        {"changed untrusted comment",
         kFile,
         changedUntrusted,
         {a},
         SignatureCheck::Ok,
         kComment,
         1700000000},
        {"as large as allowed", kFile, largest, {a}, SignatureCheck::Ok, kComment, 1700000000},
        {"no trusted keys", kFile, prehashed, {}, SignatureCheck::UnknownKey, "", {}},
        {"unknown key id", kFile, prehashed, {b}, SignatureCheck::UnknownKey, "", {}},
        {"wrong key", kFile, prehashed, {impostor}, SignatureCheck::BadSignature, "", {}},
        {"changed file, prehashed",
         changedFile,
         prehashed,
         {a},
         SignatureCheck::BadSignature,
         "",
         {}},
        {"changed file, legacy", changedFile, legacy, {a}, SignatureCheck::BadSignature, "", {}},
        {"another file's signature",
         kFile,
         Text("other.minisig"),
         {a},
         SignatureCheck::BadSignature,
         "",
         {}},
        {"algorithm changed", kFile, legacyAsPrehashed, {a}, SignatureCheck::BadSignature, "", {}},
        {"changed trusted comment",
         kFile,
         changedComment,
         {a},
         SignatureCheck::BadGlobalSignature,
         "",
         {}},
        {"oversized", kFile, oversized, {a}, SignatureCheck::Malformed, "", {}},
        {"unknown algorithm", kFile, algorithmChanged, {a}, SignatureCheck::Malformed, "", {}},
        {"signature too short", kFile, signatureShort, {a}, SignatureCheck::Malformed, "", {}},
        {"three lines",
         kFile,
         Joined({lines.begin(), lines.begin() + 3}),
         {a},
         SignatureCheck::Malformed,
         "",
         {}},
        {"cut inside the global signature",
         kFile,
         prehashed.substr(0, prehashed.size() - 10),
         {a},
         SignatureCheck::Malformed,
         "",
         {}},
        {"empty", kFile, "", {a}, SignatureCheck::Malformed, "", {}},
        {"garbage", kFile, "\x01\xff\n\n\n\n", {a}, SignatureCheck::Malformed, "", {}},
        {"a public key", kFile, Text("a.pub"), {a}, SignatureCheck::Malformed, "", {}},
        {"lines out of order",
         kFile,
         Joined(
             {Lines(prehashed)[0], Lines(prehashed)[2], Lines(prehashed)[1], Lines(prehashed)[3]}),
         {a},
         SignatureCheck::Malformed,
         "",
         {}},
    };
    for (const Case& c : cases) {
        const SignatureResult result = VerifyMinisignSignature(c.file, c.signature, c.keys);
        EXPECT_EQ(result.check, c.check) << c.what;
        EXPECT_EQ(result.trustedComment, c.comment) << c.what;
        EXPECT_EQ(result.timestamp, c.timestamp) << c.what;
    }
}

// The key id reported is the one minisign names in the public key's comment.
TEST_F(SignatureTest, UnknownKeyNamesTheKeyId) {
    const std::string pub = Text("a.pub");
    const std::string prefix = "untrusted comment: minisign public key ";
    ASSERT_EQ(pub.rfind(prefix, 0), 0u) << pub;
    const std::string id = pub.substr(prefix.size(), pub.find('\n') - prefix.size());
    const SignatureResult result =
        VerifyMinisignSignature(kFile, Text("prehashed.minisig"), {Key("b")});
    EXPECT_EQ(result.check, SignatureCheck::UnknownKey);
    EXPECT_EQ(result.keyId, id);
}

// What minisign itself accepts, with the one key, this check accepts too.
TEST_F(SignatureTest, AgreesWithMinisign) {
    std::string changedFile = kFile;
    changedFile[0] = '#';
    struct Case {
        std::string file;
        std::string signature;
    };
    const Case cases[] = {
        {kFile, Text("prehashed.minisig")},
        {kFile, Text("legacy.minisig")},
        {kFile, Joined(Lines(Text("legacy.minisig")), "\r\n")},
        {changedFile, Text("prehashed.minisig")},
        {kFile, Text("other.minisig")},
        {kFile, WithBinaryLine(Text("legacy.minisig"), 1,
                               [](std::vector<unsigned char>& bytes) { bytes[1] = 'D'; })},
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::string name = "agree" + std::to_string(index++);
        WriteFile(Path(name), c.file);
        WriteFile(Path(name + ".minisig"), c.signature);
        const bool minisign =
            RunQuietly("minisign -V -p " + Quoted(Path("a.pub")) + " -m " + Quoted(Path(name)) +
                       " -x " + Quoted(Path(name + ".minisig")));
        const bool ours =
            VerifyMinisignSignature(c.file, c.signature, {Key("a")}).check == SignatureCheck::Ok;
        EXPECT_EQ(ours, minisign) << name;
    }
}

TEST_F(SignatureTest, PublicKeysAreRead) {
    const std::string pub = Text("a.pub");
    const std::vector<std::string> lines = Lines(pub);
    const MinisignPublicKey a = Key("a");
    const auto withAlgorithm = [&](char second) {
        return WithBinaryLine(pub, 1,
                              [second](std::vector<unsigned char>& bytes) { bytes[1] = second; });
    };
    struct Case {
        const char* what;
        std::string text;
        bool ok;
    };
    const Case cases[] = {
        {"the .pub file", pub, true},
        {"CR LF", Joined(lines, "\r\n"), true},
        {"the key line alone", lines[1], true},
        {"the key line with its end", lines[1] + "\n", true},
        {"more after the key", pub + "anything\n", true},
        {"the comment alone", lines[0] + "\n", false},
        {"empty", "", false},
        {"garbage", "untrusted comment: x\n!!!!\n", false},
        {"wrong algorithm", withAlgorithm('D'), false},
        {"truncated", pub.substr(0, pub.size() - 5), false},
        {"a signature", Text("prehashed.minisig"), false},
        {"blank before the key", lines[0] + "\n " + lines[1] + "\n", false},
        {"oversized", std::string(4097, '\n') + lines[1], false},
    };
    for (const Case& c : cases) {
        const std::optional<MinisignPublicKey> key = ParseMinisignPublicKey(c.text);
        EXPECT_EQ(key.has_value(), c.ok) << c.what;
        if (key && c.ok) {
            EXPECT_EQ(key->keyId, a.keyId) << c.what;
            EXPECT_EQ(key->key, a.key) << c.what;
        }
    }
}

} // namespace
