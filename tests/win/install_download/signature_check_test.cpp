// The vendor's signature checked with CNG, against signatures openssl made (`openssl dgst -sha256
// -sign`, the DER turned into r || s) for the message "Ludra 4.7".
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "install/signature_check.h"

namespace {

template <size_t Size> std::array<unsigned char, Size> FromHex(const std::string& hex) {
    std::array<unsigned char, Size> bytes = {};
    for (size_t i = 0; i < Size && 2 * i + 1 < hex.size(); ++i)
        bytes[i] = static_cast<unsigned char>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
    return bytes;
}

const PublicPoint Key = FromHex<PublicPointSize>("b70da74cd958e9865cd3dedb18f230a06153f50afbee1b41e9a4230b9a7cfc8e"
                                                 "02148ab8840d516b261a86a1ad2c1468eeac3e7d8a8fe4d8b40109eeab8a9b57");
const PublicPoint OtherKey =
    FromHex<PublicPointSize>("1289f70876891d5a65d77e10ff7e8207c6b3c6a298a5111b16f79b623ae609c4"
                             "aee08cc7be45dc67c95c009a71bb9fd237932cfe6d8bddfa647602f044387408");
// SHA-256 of "Ludra 4.7".
const PackageDigest Digest =
    FromHex<PackageDigestSize>("7bd980f1a001c5d392e66a24b30993708c6326b5725b9b42e65bc60551eb3d63");

PackageSignature Signature(const std::string& hex) {
    PackageSignature signature;
    signature.value = FromHex<SignatureValueSize>(hex);
    return signature;
}

TEST(SignatureCheck, OpensslSignaturesVerifyAndNothingElseDoes) {
    const PackageSignature made = Signature("49e658b6a29b01b5981744067f4b19fcae8efc92f91a8f22bb8661c3f78600f7"
                                            "a5f6fffb6946ee7ff783015212bf180f269332dd27703b1e92c362761abbd34f");
    // An r below 2^248: its first byte is the zero that padding to 32 bytes puts there.
    const PackageSignature shortR = Signature("00b3edcef79e9a6e6deaeb55306f138d03788ec22db39df7e709668a85e845be"
                                              "97f4026e391f2f3bb8c6f10a0663758c5db08dd473b89fb19c40e3db32aee0c7");
    PackageSignature flipped = made;
    flipped.value[40] ^= 0x08;
    PackageSignature swapped = made;
    std::swap_ranges(swapped.value.begin(), swapped.value.begin() + 32, swapped.value.begin() + 32);
    PackageDigest otherDigest = Digest;
    otherDigest[0] ^= 1;
    PublicPoint offCurve = Key;
    offCurve[63] ^= 1;

    EXPECT_TRUE(SignatureVerifies(Key, Digest, made));
    EXPECT_TRUE(SignatureVerifies(Key, Digest, shortR));
    EXPECT_FALSE(SignatureVerifies(Key, Digest, flipped)) << "one bit changed";
    EXPECT_FALSE(SignatureVerifies(Key, Digest, swapped)) << "r and s swapped";
    EXPECT_FALSE(SignatureVerifies(OtherKey, Digest, made)) << "another key";
    EXPECT_FALSE(SignatureVerifies(Key, otherDigest, made)) << "another message";
    EXPECT_FALSE(SignatureVerifies(offCurve, Digest, made)) << "a point off the curve";
}

} // namespace
