// The end of a package a stranger may have sent: the signature is taken from it only when its last
// bytes are an end-of-central-directory record whose comment is exactly the signature.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "install/package_signature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<unsigned char> exact(data, data + size);
    PackageSignature signature;
    signature.keyId.fill(0xEE);
    if (!ReadPackageSignature(exact.data(), exact.size(), &signature)) {
        Promise(signature.keyId[0] == 0xEE, "a refused package changed the signature");
        return 0;
    }
    const unsigned char* comment = data + size - SignatureCommentSize;
    Promise(size >= SignedTailSize && std::memcmp(comment, "LDSIG1", 6) == 0, "a comment without the marker was taken");
    Promise(data[size - SignedTailSize + 20] == SignatureCommentSize && data[size - SignedTailSize + 21] == 0,
            "a record whose comment is not the signature's length was taken");
    Promise(std::memcmp(signature.value.data(), comment + 14, SignatureValueSize) == 0, "the signature is not r || s");
    return 0;
}
