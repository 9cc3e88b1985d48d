#include "platform/crypto.h"
#include "platform/errors.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<BYTE> FromHex(const std::string& hex) {
    std::vector<BYTE> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<BYTE>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::vector<BYTE> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(CryptoTest, Base64IsDecodedStrictly) {
    struct Case {
        std::string text;
        DWORD length; // 0: the whole text, terminated
        bool ok;
        std::string bytes;
    };
    const Case cases[] = {
        {"QQ==", 0, true, "A"},
        {"QUI=", 0, true, "AB"},
        {"QUJD", 0, true, "ABC"},
        {"QUJDRA==", 0, true, "ABCD"},
        {"+/+/", 0, true, "\xfb\xff\xbf"},
        {"QUJDxyz", 4, true, "ABC"}, // only the length given counts
        {"", 0, false, ""},
        {"QQ", 0, false, ""},   // padding missing
        {"QR==", 0, false, ""}, // bits past the last byte set
        {"QUJ=", 0, false, ""},
        {"QQ=A", 0, false, ""}, // padding inside
        {"Q===", 0, false, ""},
        {"====", 0, false, ""},
        {"QQ==QUJD", 0, false, ""}, // padding before more groups
        {"QUJD\n", 0, false, ""},   // a line end
        {"QUJD\r", 0, false, ""},
        {" QUJD", 0, false, ""},
        {"QU JD", 0, false, ""},
        {"-_-_", 0, false, ""}, // the address-safe alphabet
        {std::string("QU\0D", 4), 4, false, ""},
    };
    for (const Case& c : cases) {
        BYTE buffer[16] = {};
        DWORD size = sizeof buffer;
        SetLastError(ERROR_SUCCESS);
        const BOOL ok = CryptStringToBinaryA(c.text.c_str(), c.length, CRYPT_STRING_BASE64, buffer,
                                             &size, nullptr, nullptr);
        EXPECT_EQ(ok != FALSE, c.ok) << c.text;
        if (c.ok)
            EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), c.bytes) << c.text;
        else
            EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA) << c.text;
    }
}

TEST(CryptoTest, Base64AnswersTheSizeItNeeds) {
    DWORD size = 0;
    DWORD skip = 7;
    DWORD flags = 0;
    ASSERT_TRUE(
        CryptStringToBinaryA("QUJDRA==", 0, CRYPT_STRING_BASE64, nullptr, &size, &skip, &flags));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(skip, 0u);
    EXPECT_EQ(flags, CRYPT_STRING_BASE64);

    BYTE small[3] = {'x', 'x', 'x'};
    size = sizeof small;
    EXPECT_FALSE(
        CryptStringToBinaryA("QUJDRA==", 0, CRYPT_STRING_BASE64, small, &size, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_MORE_DATA);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(small[0], 'x');

    EXPECT_FALSE(CryptStringToBinaryA("QUJD", 0, 0x2 /* CRYPT_STRING_BINARY */, small, &size,
                                      nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(CryptoTest, HashesGiveKnownDigests) {
    struct Case {
        LPCWSTR algorithm;
        std::string input;
        std::string digest;
    };
    const Case cases[] = {
        {BCRYPT_SHA256_ALGORITHM, "abc",
         "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {BCRYPT_SHA256_ALGORITHM, "",
         "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        // RFC 7693, appendix A.
        {QVU_BLAKE2B512_ALGORITHM, "abc",
         "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d1"
         "7d87c5392aab792dc252d5de4533cc9518d38aa8dbf1925ab92386edd4009923"},
    };
    for (const Case& c : cases) {
        BCRYPT_ALG_HANDLE algorithm = nullptr;
        ASSERT_EQ(BCryptOpenAlgorithmProvider(&algorithm, c.algorithm, nullptr, 0), STATUS_SUCCESS);
        const std::vector<BYTE> expected = FromHex(c.digest);
        std::vector<BYTE> digest(expected.size());
        const std::vector<BYTE> input = Bytes(c.input);
        EXPECT_EQ(BCryptHash(algorithm, nullptr, 0, input.data(), static_cast<ULONG>(input.size()),
                             digest.data(), static_cast<ULONG>(digest.size())),
                  STATUS_SUCCESS);
        EXPECT_EQ(digest, expected) << c.digest;
        // The output must be the digest's size exactly.
        std::vector<BYTE> other(expected.size() + 1);
        EXPECT_EQ(BCryptHash(algorithm, nullptr, 0, input.data(), 3, other.data(),
                             static_cast<ULONG>(other.size())),
                  STATUS_INVALID_PARAMETER);
        EXPECT_EQ(BCryptCloseAlgorithmProvider(algorithm, 0), STATUS_SUCCESS);
    }
}

TEST(CryptoTest, HashProvidersRefuseWhatTheyDoNotOffer) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    EXPECT_EQ(BCryptOpenAlgorithmProvider(&algorithm, u"MD5", nullptr, 0), STATUS_NOT_FOUND);
    EXPECT_EQ(BCryptOpenAlgorithmProvider(&algorithm, u"sha256", nullptr, 0), STATUS_NOT_FOUND);
    EXPECT_EQ(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr,
                                          0x8 /* BCRYPT_ALG_HANDLE_HMAC_FLAG */),
              STATUS_NOT_SUPPORTED);
    EXPECT_EQ(algorithm, nullptr);
    int notAHandle = 0;
    BYTE digest[32];
    EXPECT_EQ(BCryptHash(&notAHandle, nullptr, 0, nullptr, 0, digest, 32), STATUS_INVALID_HANDLE);
    EXPECT_EQ(BCryptCloseAlgorithmProvider(&notAHandle, 0), STATUS_INVALID_HANDLE);
}

TEST(CryptoTest, Ed25519VerifiesRfc8032TestOne) {
    const std::vector<BYTE> key =
        FromHex("d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a");
    const std::vector<BYTE> signature =
        FromHex("e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e065224901555"
                "fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b");
    EXPECT_TRUE(VerifyEd25519Signature(key.data(), nullptr, 0, signature.data()));

    std::vector<BYTE> changedSignature = signature;
    changedSignature[10] ^= 0x01;
    std::vector<BYTE> changedKey = key;
    changedKey[0] ^= 0x01;
    const BYTE message[] = {0x00};
    struct Case {
        const char* what;
        const BYTE* key;
        const BYTE* message;
        SIZE_T size;
        const BYTE* signature;
    };
    const Case cases[] = {
        {"a message", key.data(), message, 1, signature.data()},
        {"another signature", key.data(), nullptr, 0, changedSignature.data()},
        {"another key", changedKey.data(), nullptr, 0, signature.data()},
    };
    for (const Case& c : cases) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(VerifyEd25519Signature(c.key, c.message, c.size, c.signature)) << c.what;
        EXPECT_EQ(GetLastError(), NTE_BAD_SIGNATURE) << c.what;
    }
    EXPECT_FALSE(VerifyEd25519Signature(key.data(), nullptr, 1, signature.data()));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

} // namespace
