// The vendor's signature that a package carries in its zip archive comment, so that the package
// stays a plain zip and its one request brings the proof of origin along. Win32-free.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// "LDSIG1", the key id (the first 8 bytes of the SHA-256 of the key's uncompressed point), then
// the ECDSA P-256 signature r || s, each 32 bytes big-endian.
constexpr size_t SignatureMarkerSize = 6;
constexpr size_t SignatureKeyIdSize = 8;
constexpr size_t SignatureValueSize = 64;
constexpr size_t SignatureCommentSize = SignatureMarkerSize + SignatureKeyIdSize + SignatureValueSize;
// The end-of-central-directory record, which the comment ends.
constexpr size_t EndRecordSize = 22;
// What a signed package ends with: the record and its comment.
constexpr size_t SignedTailSize = EndRecordSize + SignatureCommentSize;

struct PackageSignature {
    std::array<unsigned char, SignatureKeyIdSize> keyId = {};
    std::array<unsigned char, SignatureValueSize> value = {};
};

// Reads the signature from the last bytes of a package (tail: its final tailSize bytes; at least
// SignedTailSize of them are looked at). True only when they are an end-of-central-directory
// record whose comment is exactly the signature's 78 bytes, and nothing follows it; the signed
// message is then every byte of the package before the comment. False, with the output left as
// it was, for a package without that comment, a comment of another length or marker, bytes after
// it, or a comment that holds another record's signature, which a zip reader searching from the
// end could take for the end of the archive.
bool ReadPackageSignature(const unsigned char* tail, size_t tailSize, PackageSignature* signature);
