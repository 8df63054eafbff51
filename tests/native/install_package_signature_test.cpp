// The signature a package carries in its zip comment: taken only from a comment that is exactly
// the signature and ends the package.
#include "install/package_signature.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/zip_builder.h"

namespace {

std::string Comment(const std::string& marker, char fill, size_t size = SignatureCommentSize) {
    std::string comment = marker + std::string(SignatureKeyIdSize, 'k') + std::string(SignatureValueSize, fill);
    comment.resize(size, fill);
    return comment;
}

TEST(PackageSignature, OnlyAnExactCommentThatEndsThePackageIsTaken) {
    const ZipBuilder zip = ZipBuilder().Add("SETUP.INF", "[CONFIG_INI_HIRES]\r\n");
    // A record's signature inside the comment: a zip reader searching from the end would take it
    // for the end of the archive.
    std::string nested = Comment("LDSIG1", 'v');
    nested.replace(SignatureCommentSize - EndRecordSize, 4, std::string("PK\x05\x06", 4));
    // The comment, but its record names another length.
    std::string misnamed = zip.Build(Comment("LDSIG1", 'v'));
    misnamed[misnamed.size() - SignatureCommentSize - 2] = SignatureCommentSize - 1;
    const struct {
        const char* name;
        std::string package;
        bool signedPackage;
    } rows[] = {
        {"the exact comment", zip.Build(Comment("LDSIG1", 'v')), true},
        {"no comment", zip.Build(), false},
        {"one byte short", zip.Build(Comment("LDSIG1", 'v', SignatureCommentSize - 1)), false},
        {"one byte more", zip.Build(Comment("LDSIG1", 'v', SignatureCommentSize + 1)), false},
        {"another marker", zip.Build(Comment("LDSIG2", 'v')), false},
        {"a record that names another length", misnamed, false},
        {"a byte after the comment", zip.Build(Comment("LDSIG1", 'v')) + "x", false},
        {"a record inside the comment", zip.Build(nested), false},
        {"only the comment", Comment("LDSIG1", 'v'), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // A copy of exactly the package's size: the sanitizers see a read past its end.
        const std::vector<unsigned char> exact(row.package.begin(), row.package.end());
        PackageSignature signature;
        signature.keyId.fill(0xEE);
        ASSERT_EQ(ReadPackageSignature(exact.data(), exact.size(), &signature), row.signedPackage);
        if (row.signedPackage) {
            EXPECT_EQ(std::string(signature.keyId.begin(), signature.keyId.end()), std::string(8, 'k'));
            EXPECT_EQ(std::string(signature.value.begin(), signature.value.end()), std::string(64, 'v'));
            // The tail alone is enough: the digest of the rest is taken as it is written.
            EXPECT_TRUE(ReadPackageSignature(exact.data() + exact.size() - SignedTailSize, SignedTailSize, &signature));
        } else {
            EXPECT_EQ(signature.keyId[0], 0xEE) << "a refused comment changed the output";
        }
    }
    EXPECT_FALSE(ReadPackageSignature(nullptr, 0, nullptr));
}

} // namespace
