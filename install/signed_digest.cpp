// The package's digest as it is written, and its signature checked against it.
#include "install/signed_digest.h"

#include <algorithm>
#include <cstring>

namespace {
// The bytes of the package that are hashed: all but its signature comment.
uint64_t HashedPart(uint64_t total) {
    return total > SignatureCommentSize ? total - SignatureCommentSize : 0;
}
} // namespace

bool SignedDigest::Begin() {
    hash_.reset();
    tailFill_ = 0;
    total_ = 0;
    failed_ = true;
    if (!algorithm_ &&
        !BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(algorithm_.out(), BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        algorithm_.release(); // nothing was opened
        return false;
    }
    if (!BCRYPT_SUCCESS(BCryptCreateHash(algorithm_.get(), hash_.out(), nullptr, 0, nullptr, 0, 0))) {
        hash_.release(); // nothing was created
        return false;
    }
    failed_ = false;
    return true;
}

bool SignedDigest::Hash(const unsigned char* data, size_t size) {
    if (size > 0 &&
        !BCRYPT_SUCCESS(BCryptHashData(hash_.get(), const_cast<unsigned char*>(data), static_cast<ULONG>(size), 0)))
        failed_ = true;
    return !failed_;
}

bool SignedDigest::Add(const unsigned char* data, size_t size) {
    if (failed_ || !hash_)
        return false;
    // What this block lets be hashed: first the held-back bytes of the tail, then its own.
    size_t due = static_cast<size_t>(HashedPart(total_ + size) - HashedPart(total_));
    const size_t heldBack = static_cast<size_t>(total_ - HashedPart(total_));
    const size_t fromTail = std::min(due, heldBack);
    if (!Hash(tail_.data() + tailFill_ - heldBack, fromTail) || !Hash(data, due - fromTail))
        return false;
    total_ += size;
    // The tail keeps the last bytes of the package.
    if (size >= tail_.size()) {
        std::memcpy(tail_.data(), data + size - tail_.size(), tail_.size());
        tailFill_ = tail_.size();
    } else {
        const size_t keep = std::min(tailFill_, tail_.size() - size);
        std::memmove(tail_.data(), tail_.data() + tailFill_ - keep, keep);
        std::memcpy(tail_.data() + keep, data, size);
        tailFill_ = keep + size;
    }
    return true;
}

SignatureVerdict SignedDigest::Check(const PackageKey* keys, size_t keyCount) {
    PackageSignature signature;
    if (!ReadPackageSignature(tail_.data(), tailFill_, &signature))
        return SignatureVerdict::NoSignature;
    const PackageKey* key = std::find_if(keys, keys + keyCount,
                                         [&](const PackageKey& candidate) { return candidate.id == signature.keyId; });
    if (key == keys + keyCount)
        return SignatureVerdict::UnknownKey;
    PackageDigest digest;
    const bool hashed =
        !failed_ && hash_ &&
        BCRYPT_SUCCESS(BCryptFinishHash(hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0));
    failed_ = true;
    return hashed && SignatureVerifies(key->point, digest, signature) ? SignatureVerdict::Signed
                                                                      : SignatureVerdict::BadSignature;
}
