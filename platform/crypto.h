// Cryptography: base64 text to bytes (CryptStringToBinaryA), hashes in the
// style of the CNG primitives (BCryptOpenAlgorithmProvider, BCryptHash) and
// Ed25519 signature verification, which CNG lacks.
//
// None of these change anything but the outputs they are given and the
// calling thread's last error (CryptStringToBinaryA, VerifyEd25519Signature).
#pragma once

#include "platform/win_types.h"

// ---- Base64 ----------------------------------------------------------------

constexpr DWORD CRYPT_STRING_BASE64 = 0x00000001;

// Decodes base64 text (the standard alphabet with '+' and '/', '=' padding)
// into binary. cchString is the text's length in characters, 0 for a
// terminated text. With a null binary, *pcbBinary receives the byte count the
// text decodes to; otherwise *pcbBinary holds the buffer's size on entry and
// the bytes written on exit. *pdwSkip (0: no header is skipped) and *pdwFlags
// (CRYPT_STRING_BASE64) are set when given. TRUE on success; FALSE with
// ERROR_INVALID_PARAMETER for another format flag or missing arguments,
// ERROR_INVALID_DATA for text that is not base64 and ERROR_MORE_DATA for a
// buffer too small (*pcbBinary then holds the size needed; nothing is
// written).
//
// Strict, unlike Windows, which skips blanks and line breaks inside the text:
// the text must be whole groups of four characters of the alphabet, padded
// with one or two '=' only at its end, with the padded group's unused bits
// zero; any other character (a blank, a line end) is refused. The callers
// hand over one line, and a text that another encoder would not write is not
// taken for a valid one.
BOOL CryptStringToBinaryA(LPCSTR pszString, DWORD cchString, DWORD dwFlags, BYTE* pbBinary,
                          DWORD* pcbBinary, DWORD* pdwSkip, DWORD* pdwFlags);

// ---- Hashes ----------------------------------------------------------------

using NTSTATUS = LONG;
using BCRYPT_ALG_HANDLE = void*;

constexpr NTSTATUS STATUS_SUCCESS = 0;
constexpr NTSTATUS STATUS_INVALID_HANDLE = static_cast<NTSTATUS>(0xC0000008);
constexpr NTSTATUS STATUS_INVALID_PARAMETER = static_cast<NTSTATUS>(0xC000000D);
constexpr NTSTATUS STATUS_NO_MEMORY = static_cast<NTSTATUS>(0xC0000017);
constexpr NTSTATUS STATUS_NOT_SUPPORTED = static_cast<NTSTATUS>(0xC00000BB);
constexpr NTSTATUS STATUS_NOT_FOUND = static_cast<NTSTATUS>(0xC0000225);

constexpr bool BCRYPT_SUCCESS(NTSTATUS status) {
    return status >= 0;
}

// SHA-256 (32 bytes), as Windows names it.
#define BCRYPT_SHA256_ALGORITHM u"SHA256"
// BLAKE2b with its full 64-byte output, unkeyed (RFC 7693). Windows has no
// such provider: this identifier is the system's own.
#define QVU_BLAKE2B512_ALGORITHM u"QVU_BLAKE2B512"

// Answers in *phAlgorithm a handle to the hash algorithm named pszAlgId (one
// of the identifiers above; names are compared exactly). pszImplementation
// must be null (the one implementation) and dwFlags 0: keyed hashes (HMAC)
// are not offered. STATUS_SUCCESS; STATUS_INVALID_PARAMETER for missing
// arguments, STATUS_NOT_FOUND for an unknown algorithm or implementation,
// STATUS_NOT_SUPPORTED for any flag. *phAlgorithm is left alone on failure.
NTSTATUS BCryptOpenAlgorithmProvider(BCRYPT_ALG_HANDLE* phAlgorithm, LPCWSTR pszAlgId,
                                     LPCWSTR pszImplementation, ULONG dwFlags);

// Releases a handle from BCryptOpenAlgorithmProvider. STATUS_SUCCESS;
// STATUS_INVALID_HANDLE for anything else, STATUS_INVALID_PARAMETER for a
// flag.
NTSTATUS BCryptCloseAlgorithmProvider(BCRYPT_ALG_HANDLE hAlgorithm, ULONG dwFlags);

// Hashes the cbInput bytes of pbInput in one call and writes the digest to
// pbOutput, whose size cbOutput must be the algorithm's digest length (32 for
// SHA-256, 64 for BLAKE2b-512). No secret: pbSecret must be null and cbSecret
// 0. STATUS_SUCCESS; STATUS_INVALID_HANDLE for a handle not from
// BCryptOpenAlgorithmProvider, STATUS_INVALID_PARAMETER for another output
// size, a secret or a null buffer with a length, STATUS_NO_MEMORY when the
// library cannot hash (pbOutput is then unspecified).
NTSTATUS BCryptHash(BCRYPT_ALG_HANDLE hAlgorithm, BYTE* pbSecret, ULONG cbSecret,
                    const BYTE* pbInput, ULONG cbInput, BYTE* pbOutput, ULONG cbOutput);

// ---- Signatures ------------------------------------------------------------

constexpr DWORD NTE_BAD_SIGNATURE = 0x80090006;

// Verifies an Ed25519 signature (RFC 8032, pure Ed25519: the message itself
// is signed, not a hash of it) of size bytes at message under a 32-byte
// public key. Windows' CNG has no Ed25519, so this call is the system's own.
// TRUE when the signature is valid; FALSE with NTE_BAD_SIGNATURE when it is
// not (also for a public key the library refuses), ERROR_INVALID_PARAMETER
// for a null key, signature, or message with a size, ERROR_NOT_ENOUGH_MEMORY
// when the check cannot be set up for want of memory.
BOOL VerifyEd25519Signature(const BYTE* publicKey32, const void* message, SIZE_T size,
                            const BYTE* signature64);
