// ECDSA P-256 verification through BCrypt: the key imported from its public point, the signature
// checked against the package's digest.
#include "install/signature_check.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>

#include "base/cng_handles.h"

namespace {
constexpr ULONG CoordinateSize = PublicPointSize / 2;

// The key blob CNG imports: its header, then X and Y.
struct PublicKeyBlob {
    BCRYPT_ECCKEY_BLOB header;
    unsigned char point[PublicPointSize];
};
} // namespace

bool SignatureVerifies(const PublicPoint& point, const PackageDigest& digest, const PackageSignature& signature) {
    AlgorithmHandle algorithm;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(algorithm.out(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0))) {
        algorithm.release(); // nothing was opened
        return false;
    }
    PublicKeyBlob blob = {};
    blob.header.dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    blob.header.cbKey = CoordinateSize;
    std::memcpy(blob.point, point.data(), PublicPointSize);
    KeyHandle key;
    if (!BCRYPT_SUCCESS(BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.out(),
                                            reinterpret_cast<PUCHAR>(&blob), sizeof blob, 0))) {
        key.release(); // nothing was imported
        return false;
    }
    // CNG takes the inputs as writable buffers; copies keep the caller's const.
    PackageDigest hash = digest;
    std::array<unsigned char, SignatureValueSize> value = signature.value;
    return BCRYPT_SUCCESS(
        BCryptVerifySignature(key.get(), nullptr, hash.data(), PackageDigestSize, value.data(), SignatureValueSize, 0));
}
