// The package download over HTTPS, against the TLS servers that tests/tls/tls_fixture.sh starts
// on 127.0.0.1 (their folder is LUDRA_TLS_DIR). The test authority is trusted in this Wine prefix
// only for the time of these tests: a certificate it signed for 127.0.0.1 is accepted with
// certificate checking left on; a wrong name, an expired certificate, an unknown authority and a
// redirect from https to http fail the download.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "dialog_watch.h"
#include "http_server.h"
#include "install/download.h"
#include "support/scratch_folder.h"
#include "support/system_proxy.h"
#include "support/zip_builder.h"

namespace {

using Texts = std::vector<std::string>;

const std::string FailureText = "Attenzione! Connessione Internet non disponibile, download fallito.";
constexpr char PackagePath[] = "/Ludra47/LD46DEMO.zip";

// The fixture's folder as this process sees it: Wine maps the Linux root to Z:.
std::string TlsFolder() {
    const char* unix = std::getenv("LUDRA_TLS_DIR");
    if (!unix || !*unix)
        return {};
    std::string folder = std::string("Z:") + unix;
    for (char& c : folder)
        if (c == '/')
            c = '\\';
    return folder;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::map<std::string, int> ReadPorts(const std::string& folder) {
    std::map<std::string, int> ports;
    std::istringstream lines(ReadAll(folder + "\\ports"));
    std::string name;
    int port = 0;
    while (lines >> name >> port)
        ports[name] = port;
    return ports;
}

std::string Package() {
    return ZipBuilder()
        .Add("SETUP.INF", "[CONFIG_INI_HIRES]\r\n")
        .Add("PROGRAMMI/LUDRA.EXE", std::string(30000, 'L'))
        .Build();
}

// Puts the test authority into the Root store of this prefix, and takes it out again.
class TrustedAuthority {
public:
    bool Trust(const std::string& der) {
        der_ = der;
        trusted_ = CertAddEncodedCertificateToSystemStoreA("Root", Bytes(), static_cast<DWORD>(der_.size())) != FALSE;
        return trusted_;
    }
    ~TrustedAuthority() { Untrust(); }
    // True when no Root store of the prefix holds the authority any more. The registry stores
    // themselves are edited: a deletion through Wine's combined system store does not last.
    bool Untrust() {
        if (!trusted_)
            return true;
        trusted_ = false;
        PCCERT_CONTEXT wanted =
            CertCreateCertificateContext(X509_ASN_ENCODING, Bytes(), static_cast<DWORD>(der_.size()));
        if (!wanted)
            return false;
        bool gone = true;
        for (const DWORD location : {CERT_SYSTEM_STORE_CURRENT_USER, CERT_SYSTEM_STORE_LOCAL_MACHINE}) {
            HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_A, 0, 0, location, "Root");
            if (!store)
                continue;
            // CertDeleteCertificateFromStore frees the context it is given. Bounded: a store holds
            // each certificate once per location, and a failed deletion ends the loop.
            for (int copy = 0; copy < 4; ++copy) {
                PCCERT_CONTEXT found =
                    CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr);
                if (!found)
                    break;
                if (!CertDeleteCertificateFromStore(found)) {
                    gone = false;
                    break;
                }
            }
            CertCloseStore(store, 0);
        }
        CertFreeCertificateContext(wanted);
        return gone;
    }

private:
    const BYTE* Bytes() const { return reinterpret_cast<const BYTE*>(der_.data()); }
    std::string der_;
    bool trusted_ = false;
};

class HttpsDownload : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = TlsFolder();
        ports_ = ReadPorts(folder_);
        const std::string authority = ReadAll(folder_ + "\\ca.der");
        if (!authority.empty())
            authority_.Trust(authority);
        std::ofstream(folder_ + "\\package.zip", std::ios::binary) << Package();
    }
    static void TearDownTestSuite() { EXPECT_TRUE(authority_.Untrust()) << "the test authority is still trusted"; }

    HttpsDownload() : scratch_("https"), target_(scratch_ / "LUDRA47"), owner_(nullptr) {
        CreateDirectoryA(target_.c_str(), nullptr);
        owner_ = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    ~HttpsDownload() override { DestroyWindow(owner_); }

    void SetUp() override {
        ASSERT_FALSE(folder_.empty()) << "LUDRA_TLS_DIR is not set: run through ctest (tls_servers fixture)";
        ASSERT_EQ(7u, ports_.size()) << "the TLS servers' ports were not found in " << folder_;
    }

    std::string Url(const char* server, const char* scheme = "https") const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(ports_.at(server)) + PackagePath;
    }
    int DownloadFrom(const std::string& url) { return DownloadPackageFrom(owner_, target_.c_str(), url.c_str()); }
    std::string In(const char* name) const { return target_ + "\\" + name; }

    static std::string folder_;
    static std::map<std::string, int> ports_;
    static TrustedAuthority authority_;
    ScratchFolder scratch_;
    std::string target_;
    HWND owner_;
};

std::string HttpsDownload::folder_;
std::map<std::string, int> HttpsDownload::ports_;
TrustedAuthority HttpsDownload::authority_;

TEST_F(HttpsDownload, TrustedCertificateDownloadsAndUnpacksThePackage) {
    BoxAnswerer boxes;
    EXPECT_EQ(DownloadSucceeded, DownloadFrom(Url("good")));
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ("[CONFIG_INI_HIRES]\r\n", ReadWholeFile(In("SETUP.INF")));
    EXPECT_EQ(std::string(30000, 'L'), ReadWholeFile(In("PROGRAMMI\\LUDRA.EXE")));
    EXPECT_FALSE(PathExists(In("LD46DEMO.zip")));
}

TEST_F(HttpsDownload, CertificatesThatCannotBeTrustedFailTheDownload) {
    for (const char* server : {"wrong-name", "expired", "untrusted"}) {
        BoxAnswerer boxes;
        EXPECT_EQ(DownloadFailed, DownloadFrom(Url(server))) << server;
        EXPECT_EQ(Texts{FailureText}, boxes.Texts()) << server;
        EXPECT_FALSE(PathExists(In("LD46DEMO.zip"))) << server;
        EXPECT_FALSE(PathExists(In("SETUP.INF"))) << server;
        EXPECT_TRUE(IsWindowEnabled(owner_)) << server;
    }
}

// The plain server serves the same package (a download from it succeeds), so only the change of
// scheme on the way fails the download: on the first request, or on the resume after a break.
TEST_F(HttpsDownload, RedirectFromHttpsToHttpFailsTheDownload) {
    for (const char* server : {"downgrade", "downgrade-resume"}) {
        BoxAnswerer boxes;
        EXPECT_EQ(DownloadFailed, DownloadFrom(Url(server))) << server;
        EXPECT_EQ(Texts{FailureText}, boxes.Texts()) << server;
        EXPECT_FALSE(PathExists(In("SETUP.INF"))) << server;
    }
    BoxAnswerer boxes;
    EXPECT_EQ(DownloadSucceeded, DownloadFrom(Url("plain", "http")));
    EXPECT_TRUE(boxes.Texts().empty());
}

// A host the direct road cannot even name, reached only through the proxy's CONNECT tunnel (to
// the server whose certificate is for that name): the certificate is checked as on the direct
// road. A proxy that refuses the tunnel fails the download.
TEST_F(HttpsDownload, HttpsThroughTheProxysTunnelChecksTheCertificate) {
    const std::string url = "https://ludra-other-host.invalid:" + std::to_string(ports_.at("wrong-name")) + PackagePath;
    for (const bool refuse : {false, true}) {
        SCOPED_TRACE(refuse ? "the proxy refuses CONNECT" : "the proxy tunnels");
        DeleteFileA(In("SETUP.INF").c_str());
        harness::HttpServer proxy;
        ASSERT_TRUE(proxy.Start(0));
        harness::HttpResponse answer;
        answer.proxy = true;
        answer.refuseConnect = refuse;
        proxy.SetResponse(answer);
        SystemProxy settings(proxy.Port());
        BoxAnswerer boxes;
        EXPECT_EQ(refuse ? DownloadFailed : DownloadSucceeded, DownloadFrom(url));
        EXPECT_EQ(PathExists(In("SETUP.INF")), !refuse);
        EXPECT_EQ(proxy.LastRequestLine().rfind("CONNECT ludra-other-host.invalid:", 0), 0u) << proxy.LastRequestLine();
    }
}

} // namespace
