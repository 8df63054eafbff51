// The package's SHA-256 taken as its blocks are written, all but its last 78 bytes (where its
// signature sits), and the vendor's signature checked against it: the package is not read again.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/cng_handles.h"
#include "install/signature_check.h"

// What the check of a package's signature found; the trail names each cause apart.
enum class SignatureVerdict { Signed, NoSignature, UnknownKey, BadSignature };

class SignedDigest {
public:
    // Starts over, empty (the server sends the whole package again); false when CNG cannot be had.
    bool Begin();
    // The next bytes of the package; false when hashing failed.
    bool Add(const unsigned char* data, size_t size);
    // Signed when the package ends in a signature (see ReadPackageSignature) by one of the keys,
    // over every byte before it. Ends the digest: Begin comes before the next Add. A digest that
    // failed is a bad signature.
    SignatureVerdict Check(const PackageKey* keys, size_t keyCount);

private:
    bool Hash(const unsigned char* data, size_t size);

    AlgorithmHandle algorithm_;
    HashHandle hash_;
    // The package's last bytes (up to the signed tail's size); the last 78 of them are not hashed.
    std::array<unsigned char, SignedTailSize> tail_ = {};
    size_t tailFill_ = 0;
    uint64_t total_ = 0;
    bool failed_ = false;
};
