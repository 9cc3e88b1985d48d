#include "platform/files.h"
#include "platform/handles.h"
#include "platform/strings.h"
#include "tests/support/UpdateTestSupport.h"
#include "update/Digest.h"

#include <string>

namespace {

constexpr const char* kEmptyDigest = "d41d8cd98f00b204e9800998ecf8427e";
// MD5 and SHA-256 (FIPS 180-2, appendix B.1) of "abc".
constexpr const char* kAbcMd5 = "900150983cd24fb0d6963f7d28e17f72";
constexpr const char* kAbcSha256 =
    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

class PackageDigestTest : public qvutest::UpdateTest {
protected:
    // Stores content as the package and checks it against the digest texts,
    // reading from offset on.
    bool Matches(const std::string& content, const char* digestText, LONG offset = 0,
                 const char* sha256Text = nullptr) const {
        qvutest::WriteFile(driveC / "Update" / "Quorvane.msi", content);
        HANDLE file = CreateFileA("C:\\Update\\Quorvane.msi", GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        SetFilePointer(file, offset, nullptr, FILE_BEGIN);
        const bool matches = PackageMatchesDigest(file, digestText, sha256Text);
        CloseHandle(file);
        return matches;
    }
};

TEST_F(PackageDigestTest, FilesOfTheRfc1321TestSuiteMatchTheirDigests) {
    const struct {
        const char* content;
        const char* digest;
    } suite[] = {
        {"", kEmptyDigest},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
         "0",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& test : suite) {
        EXPECT_TRUE(Matches(test.content, test.digest)) << test.content;
        EXPECT_FALSE(Matches(std::string(test.content) + "!", test.digest)) << test.content;
    }
}

TEST_F(PackageDigestTest, PackagesOfManyBlocksAreDigestedWhole) {
    // A million "a": 122 full blocks and a short one.
    EXPECT_TRUE(Matches(std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"));
    EXPECT_FALSE(Matches(std::string(1000000, 'a') + "a", "7707d6ae4e027c70eea2a935c2296f21"));
}

TEST_F(PackageDigestTest, DigestCoversTheBytesFromTheCurrentPosition) {
    EXPECT_TRUE(Matches("xyzabc", "900150983cd24fb0d6963f7d28e17f72", 3));
    EXPECT_TRUE(Matches("abc", kEmptyDigest, 3));
}

TEST_F(PackageDigestTest, DigestTextIsThirtyTwoHexadecimalDigitsOfEitherCase) {
    EXPECT_TRUE(Matches("abc", "900150983cd24fb0d6963f7d28e17f72\r\n"));
    EXPECT_TRUE(Matches("abc", "900150983cd24fb0d6963f7d28e17f72 trailing text"));
    EXPECT_TRUE(Matches("abc", "900150983cd24fb0d6963f7d28e17f72ZZ"));
    EXPECT_TRUE(Matches("abc", "900150983CD24FB0D6963F7D28E17F72")) << "upper case";
    EXPECT_TRUE(Matches("abc", "900150983Cd24fB0D6963f7d28E17F72")) << "mixed case";
    EXPECT_FALSE(Matches("abc", "900150983CD24FB0D6963F7D28E17F73")) << "another digest";
    EXPECT_FALSE(Matches("abc", "900150983cd24fb0d6963f7d28e17f7")) << "31 digits";
    EXPECT_FALSE(Matches("abc", "900150983cd24fb0d6963f7d28e17f")) << "30 digits";
    EXPECT_FALSE(Matches("abc", " 900150983cd24fb0d6963f7d28e17f72")) << "a blank in front";
    EXPECT_FALSE(Matches("", "")) << "no digest never matches, not even an empty file";
    EXPECT_FALSE(Matches("", nullptr));
}

TEST_F(PackageDigestTest, PublishedSha256MustMatchAsWellAndBeExactlySixtyFourDigits) {
    const std::string upper = ascii::ToUpper(kAbcSha256);
    const std::string digits = kAbcSha256;
    const struct {
        std::string sha256;
        bool matches;
        const char* what;
    } cases[] = {
        {kAbcSha256, true, "lower case"},
        {upper, true, "upper case"},
        {upper.substr(0, 40) + digits.substr(40), true, "mixed case"},
        {digits.substr(0, 63) + "e", false, "another digest"},
        {digits.substr(0, 63), false, "63 digits"},
        {digits + "0", false, "65 digits"},
        {digits.substr(0, 63) + "g", false, "not hexadecimal"},
        {digits + " ", false, "a blank after it"},
        {"", false, "blank"},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(Matches("abc", kAbcMd5, 0, test.sha256.c_str()), test.matches) << test.what;
        EXPECT_FALSE(Matches("abc", "900150983cd24fb0d6963f7d28e17f73", 0, test.sha256.c_str()))
            << test.what << ", with a wrong MD5";
    }
    EXPECT_TRUE(Matches("xyzabc", kAbcMd5, 3, kAbcSha256)) << "both from the current position";
    EXPECT_TRUE(Matches("", kEmptyDigest, 0,
                        "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
}

TEST_F(PackageDigestTest, AFileThatCannotBeReadNeverMatches) {
    EXPECT_FALSE(PackageMatchesDigest(INVALID_HANDLE_VALUE, kEmptyDigest));
    qvutest::WriteFile(driveC / "Empty.msi", "");
    HANDLE writeOnly = CreateFileA("C:\\Empty.msi", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writeOnly, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(PackageMatchesDigest(writeOnly, kEmptyDigest))
        << "a failed read is not the end of the file";
    CloseHandle(writeOnly);
}

TEST(DigestTextTest, PairsAreBytesHighDigitFirst) {
    const auto bytes = ParseDigestText("00ff10a0090a0b0c0d0e0f1122334455");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, (Md5Bytes{0x00, 0xff, 0x10, 0xa0, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f,
                                0x11, 0x22, 0x33, 0x44, 0x55}));
    EXPECT_FALSE(ParseDigestText("00ff10a0090a0b0c0d0e0f11223344g5"));
}

TEST(Md5DigestTest, PiecesGiveTheDigestOfTheWhole) {
    Md5Digest digest;
    digest.Update("message ", 8);
    digest.Update("", 0);
    digest.Update("digest", 6);
    EXPECT_EQ(digest.Final(), ParseDigestText("f96b697d7cb7938d525a2f31aaf161d0"));
    EXPECT_FALSE(digest.Final()) << "a spent digest answers nothing";
}

TEST(BackgroundDigestTest, ManyBlocksGiveTheChosenDigestsOfTheWhole) {
    for (const DigestChoice choice :
         {DigestChoice{true, false}, DigestChoice{false, true}, DigestChoice{true, true}}) {
        SCOPED_TRACE(testing::Message() << "md5 " << choice.md5 << ", sha256 " << choice.sha256);
        // Far more blocks than the hashing thread may fall behind, of uneven sizes.
        std::string whole;
        BackgroundDigest background(choice);
        for (int i = 0; i < 2000; ++i) {
            const std::string block(static_cast<std::size_t>(i % 97) * 41 + 1,
                                    static_cast<char>(i));
            background.Update(block.data(), block.size());
            whole += block;
        }
        Md5Digest md5;
        md5.Update(whole.data(), whole.size());
        Sha256Digest sha256;
        sha256.Update(whole.data(), whole.size());
        const PackageDigests digests = background.Final();
        EXPECT_EQ(digests.md5, choice.md5 ? md5.Final() : std::nullopt);
        EXPECT_EQ(digests.sha256, choice.sha256 ? sha256.Final() : std::nullopt);
    }
}

TEST(BackgroundDigestTest, EndsCleanlyWithoutFinal) {
    BackgroundDigest background({true, true});
    background.Update("abc", 3);
}

} // namespace
