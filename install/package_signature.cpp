// The signature in a package's zip comment.
#include "install/package_signature.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr unsigned char SignatureMarker[SignatureMarkerSize] = {'L', 'D', 'S', 'I', 'G', '1'};
constexpr unsigned char EndRecordSignature[] = {'P', 'K', 5, 6};
constexpr size_t CommentLengthOffset = 20;

bool HoldsEndRecordSignature(const unsigned char* data, size_t size) {
    return std::search(data, data + size, std::begin(EndRecordSignature), std::end(EndRecordSignature)) != data + size;
}
} // namespace

bool ReadPackageSignature(const unsigned char* tail, size_t tailSize, PackageSignature* signature) {
    if (!tail || tailSize < SignedTailSize)
        return false;
    const unsigned char* record = tail + tailSize - SignedTailSize;
    const unsigned char* comment = record + EndRecordSize;
    const size_t commentLength = record[CommentLengthOffset] | size_t{record[CommentLengthOffset + 1]} << 8;
    if (std::memcmp(record, EndRecordSignature, sizeof EndRecordSignature) != 0 ||
        commentLength != SignatureCommentSize || std::memcmp(comment, SignatureMarker, SignatureMarkerSize) != 0 ||
        HoldsEndRecordSignature(comment, SignatureCommentSize))
        return false;
    std::memcpy(signature->keyId.data(), comment + SignatureMarkerSize, SignatureKeyIdSize);
    std::memcpy(signature->value.data(), comment + SignatureMarkerSize + SignatureKeyIdSize, SignatureValueSize);
    return true;
}
