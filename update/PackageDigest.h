// The check that a package on disk is the one the description file names.
#pragma once

#include "platform/win_types.h"
#include "update/Md5Digest.h"

#include <optional>

// The digest text of the description file: pairs of lowercase hexadecimal
// digits, high digit first. Parsing stops at the first pair with any other
// character (upper case included) and after 16 pairs, so text after the
// 32nd digit (a line end, a blank) does not count. Nothing unless 16 bytes
// were read.
std::optional<Md5Bytes> ParseDigestText(const char* digestText);

// True when the MD5 of the file's bytes from its current position to the end
// equals the digest text. The file is read in 8192-byte blocks; a read that
// fails answers false, as the digest of the rest is then unknown.
bool PackageMatchesDigest(HANDLE file, const char* digestText);
