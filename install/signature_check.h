// The vendor's signature of a package checked with the platform's CNG: ECDSA over P-256.
#pragma once

#include <array>
#include <cstddef>

#include "install/package_signature.h"

constexpr size_t PublicPointSize = 64; // X || Y, each 32 bytes big-endian
constexpr size_t PackageDigestSize = 32;

using PublicPoint = std::array<unsigned char, PublicPointSize>;
using PackageDigest = std::array<unsigned char, PackageDigestSize>;

// A key the vendor signs with: its id (the first 8 bytes of the SHA-256 of 04 || X || Y), as a
// signature names it, and its point.
struct PackageKey {
    std::array<unsigned char, SignatureKeyIdSize> id;
    PublicPoint point;
};

// True when the signature's r || s is the key's ECDSA signature of the SHA-256 digest; false for
// any other signature, a point that is not on the curve, or when CNG cannot be had.
bool SignatureVerifies(const PublicPoint& point, const PackageDigest& digest, const PackageSignature& signature);
