#include "platform/crypto.h"
#include "platform/errors.h"

#include <cstring>
#include <limits>
#include <openssl/evp.h>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The number of padding characters of a text that is strict base64 (see the
// header), or -1 for any other text. The library's decoder skips blanks and
// takes '=' anywhere, so the text's shape is checked here first.
int PaddingOfStrictText(std::string_view text) {
    if (text.empty() || text.size() % 4 != 0)
        return -1;
    int padding = 0;
    if (text.back() == '=')
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    const std::string_view data = text.substr(0, text.size() - padding);
    for (char c : data)
        if (kAlphabet.find(c) == std::string_view::npos)
            return -1;
    // The last data character carries bits past the last byte: 4 with two
    // padding characters, 2 with one. An encoder writes them as zero.
    if (padding > 0) {
        const std::size_t last = kAlphabet.find(data.back());
        const std::size_t unusedMask = padding == 2 ? 0x0F : 0x03;
        if ((last & unusedMask) != 0)
            return -1;
    }
    return padding;
}

} // namespace

BOOL CryptStringToBinaryA(LPCSTR pszString, DWORD cchString, DWORD dwFlags, BYTE* pbBinary,
                          DWORD* pcbBinary, DWORD* pdwSkip, DWORD* pdwFlags) {
    if (pszString == nullptr || pcbBinary == nullptr || dwFlags != CRYPT_STRING_BASE64) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string_view text(pszString, cchString != 0 ? cchString : std::strlen(pszString));
    const int padding = PaddingOfStrictText(text);
    if (padding < 0 || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    const std::size_t whole = text.size() / 4 * 3;
    const DWORD needed = static_cast<DWORD>(whole - padding);
    if (pdwSkip != nullptr)
        *pdwSkip = 0;
    if (pdwFlags != nullptr)
        *pdwFlags = CRYPT_STRING_BASE64;
    if (pbBinary == nullptr) {
        *pcbBinary = needed;
        return TRUE;
    }
    if (*pcbBinary < needed) {
        *pcbBinary = needed;
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    // The library writes the padded group's zero bytes too.
    std::vector<unsigned char> decoded(whole);
    if (EVP_DecodeBlock(decoded.data(), reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size())) != static_cast<int>(whole)) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    std::memcpy(pbBinary, decoded.data(), needed);
    *pcbBinary = needed;
    return TRUE;
}
