// SHA-256 of the package with BCrypt, read in blocks so a large package needs no large buffer.
#include "install/package_digest.h"

#include <windows.h>
#include <bcrypt.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "base/kernel_handles.h"
#include "base/cng_handles.h"

namespace {
constexpr DWORD ReadBlockSize = 64 * 1024;
constexpr ULONG Sha256Size = 32;
} // namespace

bool FileSha256(const char* path, char (&hex)[Sha256HexSize]) {
    hex[0] = '\0';
    AlgorithmHandle algorithm;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(algorithm.out(), BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        algorithm.release(); // nothing was opened
        return false;
    }
    HashHandle hash;
    if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm.get(), hash.out(), nullptr, 0, nullptr, 0, 0))) {
        hash.release(); // nothing was created
        return false;
    }
    FileHandle file(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    std::array<unsigned char, ReadBlockSize> block;
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(file.get(), block.data(), ReadBlockSize, &count, nullptr))
            return false;
        if (count == 0)
            break;
        if (!BCRYPT_SUCCESS(BCryptHashData(hash.get(), block.data(), count, 0)))
            return false;
    }
    std::array<unsigned char, Sha256Size> digest;
    if (!BCRYPT_SUCCESS(BCryptFinishHash(hash.get(), digest.data(), Sha256Size, 0)))
        return false;
    for (size_t i = 0; i < Sha256Size; ++i)
        snprintf(hex + 2 * i, Sha256HexSize - 2 * i, "%02x", digest[i]);
    return true;
}

bool PackageMatchesDigest(const char* path, const char* expectedHex) {
    if (!expectedHex || !*expectedHex)
        return true;
    char actual[Sha256HexSize];
    if (!FileSha256(path, actual) || std::strlen(expectedHex) != Sha256HexSize - 1)
        return false;
    for (size_t i = 0; i < Sha256HexSize - 1; ++i) {
        if (std::tolower(static_cast<unsigned char>(expectedHex[i])) != actual[i])
            return false;
    }
    return true;
}
