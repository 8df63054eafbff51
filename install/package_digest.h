// Package integrity: the SHA-256 digest of the downloaded file against the one the build expects.
#pragma once

#include <cstddef>

constexpr size_t Sha256HexSize = 65; // 64 hexadecimal digits and the terminator

// The file's SHA-256 as lowercase hexadecimal, through the platform's CNG; false if it cannot be read.
bool FileSha256(const char* path, char (&hex)[Sha256HexSize]);
// True when no digest is expected (null or empty) or the file's digest equals it, in any letter case.
bool PackageMatchesDigest(const char* path, const char* expectedHex);
