// Package integrity: the SHA-256 the build may name for the package, computed with CNG.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "dialog_watch.h"
#include "http_server.h"
#include "install/download.h"
#include "install/package_digest.h"
#include "support/debug_output.h"
#include "support/program_texts.h"
#include "support/scratch_folder.h"
#include "support/zip_builder.h"

namespace {

// SHA-256 of the three bytes "abc" (FIPS 180-2, appendix B.1).
const char* AbcDigest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

TEST(PackageDigest, MatchesTheKnownDigestInAnyCaseAndRefusesOthers) {
    ScratchFolder scratch("digest");
    const std::string file = scratch / "abc.bin";
    ASSERT_TRUE(WriteWholeFile(file, "abc"));
    char hex[Sha256HexSize];
    ASSERT_TRUE(FileSha256(file.c_str(), hex));
    EXPECT_STREQ(AbcDigest, hex);

    std::string upper = AbcDigest;
    for (char& c : upper)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    EXPECT_TRUE(PackageMatchesDigest(file.c_str(), AbcDigest));
    EXPECT_TRUE(PackageMatchesDigest(file.c_str(), upper.c_str()));
    std::string other = AbcDigest;
    other[63] = '0';
    EXPECT_FALSE(PackageMatchesDigest(file.c_str(), other.c_str()));
    EXPECT_FALSE(PackageMatchesDigest(file.c_str(), std::string(AbcDigest).substr(0, 63).c_str()));
    // No digest named: nothing is checked.
    EXPECT_TRUE(PackageMatchesDigest(file.c_str(), ""));
    EXPECT_TRUE(PackageMatchesDigest(file.c_str(), nullptr));
    // A file that cannot be read never matches a named digest.
    EXPECT_FALSE(PackageMatchesDigest((scratch / "missing.bin").c_str(), AbcDigest));
}

TEST(PackageDigest, LargeFileIsHashedAcrossReadBlocks) {
    ScratchFolder scratch("digest-large");
    const std::string file = scratch / "million-a.bin";
    ASSERT_TRUE(WriteWholeFile(file, std::string(1000000, 'a')));
    char hex[Sha256HexSize];
    ASSERT_TRUE(FileSha256(file.c_str(), hex));
    // SHA-256 of one million 'a' (FIPS 180-2, appendix B.3).
    EXPECT_STREQ("cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0", hex);
}

class DigestDownload : public testing::Test {
protected:
    DigestDownload() : scratch_("digest-download"), folder_(scratch_ / "LUDRA47") {
        CreateDirectoryA(folder_.c_str(), nullptr);
        package_ = ZipBuilder().Add("SETUP.INF", "[CONFIG_INI_HIRES]\r\n").Build();
        harness::HttpResponse response;
        response.body = package_;
        server_.SetResponse(response);
        EXPECT_TRUE(server_.Start(0));
        const std::string file = scratch_ / "expected.zip";
        WriteWholeFile(file, package_);
        FileSha256(file.c_str(), digest_);
    }
    int Download(const char* expected) {
        const std::string url = "http://127.0.0.1:" + std::to_string(server_.Port()) + "/Ludra47/LD46DEMO.zip";
        return DownloadPackageFrom(nullptr, folder_.c_str(), url.c_str(), expected);
    }

    ScratchFolder scratch_;
    std::string folder_;
    std::string package_;
    char digest_[Sha256HexSize] = {};
    harness::HttpServer server_;
};

TEST_F(DigestDownload, PackageWithTheExpectedDigestIsUnpacked) {
    BoxAnswerer boxes;
    EXPECT_EQ(DownloadSucceeded, Download(digest_));
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_TRUE(PathExists(folder_ + "\\SETUP.INF"));
}

TEST_F(DigestDownload, PackageWithAnotherDigestIsRefusedWithTheDownloadMessageAndNotUnpacked) {
    std::string wrong = digest_;
    wrong[0] = wrong[0] == '0' ? '1' : '0';
    BoxAnswerer boxes;
    DebugOutput trail;
    EXPECT_EQ(PackageRefused, Download(wrong.c_str()));
    EXPECT_EQ(std::vector<std::string>{DownloadFailedText}, boxes.Texts());
    // The support desk reads that the package came whole and was refused (ERROR_INVALID_DATA).
    EXPECT_EQ(
        std::vector<std::string>{"Ludra Setup: package check failed (digest mismatch): error 13, HTTP status 200, " +
                                 std::to_string(package_.size()) + " bytes received, 0 resumes"},
        trail.Lines());
    EXPECT_FALSE(PathExists(folder_ + "\\SETUP.INF"));
    EXPECT_FALSE(PathExists(folder_ + "\\LD46DEMO.zip")) << "a refused package was left in the folder";
}

TEST_F(DigestDownload, NoDigestNamedChecksNothing) {
    BoxAnswerer boxes;
    EXPECT_EQ(DownloadSucceeded, Download(""));
    EXPECT_TRUE(PathExists(folder_ + "\\SETUP.INF"));
}

} // namespace
