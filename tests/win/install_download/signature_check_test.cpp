// The vendor's signature checked with CNG, against signatures openssl made (`openssl dgst -sha256
// -sign`, the DER turned into r || s) for the message "Ludra 4.7"; and the download that takes only
// a package one of the built-in keys signed.
#include <windows.h>
#include <bcrypt.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "http_server.h"
#include "install/download.h"
#include "install/signature_check.h"
#include "support/box_answerer.h"
#include "support/debug_output.h"
#include "support/files.h"
#include "support/scratch_folder.h"
#include "support/zip_builder.h"

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

namespace {

// A key pair made for the test with CNG, which signs as the vendor's tool does: ECDSA P-256 over
// the SHA-256 of every byte before the comment.
class TestSigner {
public:
    TestSigner() {
        BCryptOpenAlgorithmProvider(&algorithm_, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0);
        BCryptGenerateKeyPair(algorithm_, &key_, 256, 0);
        BCryptFinalizeKeyPair(key_, 0);
        struct {
            BCRYPT_ECCKEY_BLOB header;
            unsigned char point[PublicPointSize];
        } blob = {};
        ULONG size = 0;
        BCryptExportKey(key_, nullptr, BCRYPT_ECCPUBLIC_BLOB, reinterpret_cast<PUCHAR>(&blob), sizeof blob, &size, 0);
        std::memcpy(key.point.data(), blob.point, PublicPointSize);
        const PackageDigest id = Sha256(std::string(1, '\x04') + std::string(blob.point, blob.point + PublicPointSize));
        std::memcpy(key.id.data(), id.data(), SignatureKeyIdSize);
    }
    ~TestSigner() {
        BCryptDestroyKey(key_);
        BCryptCloseAlgorithmProvider(algorithm_, 0);
    }
    // The archive with its signature as comment.
    std::string Sign(const ZipBuilder& zip) const {
        std::string package = zip.Build("LDSIG1" + std::string(key.id.begin(), key.id.end()) + std::string(64, '\0'));
        PackageDigest digest = Sha256(package.substr(0, package.size() - SignatureCommentSize));
        unsigned char value[SignatureValueSize] = {};
        ULONG size = 0;
        BCryptSignHash(key_, nullptr, digest.data(), PackageDigestSize, value, sizeof value, &size, 0);
        package.replace(package.size() - SignatureValueSize, SignatureValueSize, reinterpret_cast<char*>(value),
                        SignatureValueSize);
        return package;
    }
    static PackageDigest Sha256(const std::string& bytes) {
        PackageDigest digest = {};
        BCRYPT_ALG_HANDLE sha = nullptr;
        BCRYPT_HASH_HANDLE hash = nullptr;
        BCryptOpenAlgorithmProvider(&sha, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
        BCryptCreateHash(sha, &hash, nullptr, 0, nullptr, 0, 0);
        BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                       static_cast<ULONG>(bytes.size()), 0);
        BCryptFinishHash(hash, digest.data(), PackageDigestSize, 0);
        BCryptDestroyHash(hash);
        BCryptCloseAlgorithmProvider(sha, 0);
        return digest;
    }

    PackageKey key = {};

private:
    BCRYPT_ALG_HANDLE algorithm_ = nullptr;
    BCRYPT_KEY_HANDLE key_ = nullptr;
};

// Only a package one of the built-in keys signed is unpacked; any other is a failed download that
// leaves nothing behind, neither its files nor the package. The digest follows a drop: across a
// resume it goes on, and it starts again with a package the server sends whole again.
TEST(SignedDownload, OnlyAPackageSignedByAKnownKeyIsUnpacked) {
    const TestSigner vendor;
    const TestSigner stranger;
    // Bytes that do not compress: a drop at half comes after whole blocks were written.
    const ZipBuilder zip = ZipBuilder().Add("SETUP.INF", "[CONFIG_INI_HIRES]\r\n").Add("LUDRA.EXE", Noise(40000));
    const std::string signedPackage = vendor.Sign(zip);
    std::string changed = signedPackage;
    changed[changed.size() / 2] ^= 1;
    const struct {
        const char* name;
        std::string package;
        const char* cause;    // null: installs
        bool dropped = false; // the first answer is cut at half
        bool ranges = false;  // and the rest is then asked for and sent
    } rows[] = {
        {"signed by the vendor", signedPackage, nullptr},
        {"resumed after a drop", signedPackage, nullptr, true, true},
        {"sent whole again after a drop", signedPackage, nullptr, true, false},
        {"a byte of a file changed", changed, "bad signature"},
        {"signed by another key", stranger.Sign(zip), "unknown key"},
        {"not signed", zip.Build(), "no signature"},
        {"a byte appended", signedPackage + "x", "no signature"},
    };
    // The vendor's key second: the signature's key id picks it.
    const PackageKey keys[] = {TestSigner().key, vendor.key};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScratchFolder scratch("signed-download");
        const std::string folder = scratch / "LUDRA47";
        CreateDirectoryA(folder.c_str(), nullptr);
        harness::HttpServer server;
        ASSERT_TRUE(server.Start(0));
        harness::HttpResponse response;
        response.body = row.package;
        response.etag = "\"v1\"";
        response.rangeRequests = row.ranges;
        if (row.dropped) {
            response.cutAfter = row.package.size() / 2;
            response.cutAnswers = 1;
        }
        server.SetResponse(response);
        const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/Ludra47/LD46DEMO.zip";
        BoxAnswerer boxes;
        DebugOutput trail;
        EXPECT_EQ(DownloadPackageFrom(nullptr, folder.c_str(), url.c_str(), nullptr, PackageSizeLimit, keys, 2),
                  row.cause ? PackageRefused : DownloadSucceeded);
        EXPECT_EQ(PathExists(folder + "\\LUDRA.EXE"), !row.cause);
        EXPECT_FALSE(PathExists(folder + "\\LD46DEMO.zip")) << "the package was left in the folder";
        EXPECT_EQ(trail.Lines("Ludra Setup: package check").size(), row.cause ? 1u : 0u);
        EXPECT_EQ(server.RequestCount(), row.dropped ? 2 : 1);
        if (row.cause) {
            EXPECT_EQ(trail.Lines("Ludra Setup: package check failed (" + std::string(row.cause) + ")").size(), 1u);
        }
    }
}

} // namespace
