// The second road: when the direct connection fails before any answer and the system names a
// proxy, the same request goes through that proxy (the test server in its proxy mode), and a
// resume follows it there. A working direct road, no proxy, or an answer that is a refusal take
// no second road.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "http_server.h"
#include "install/download.h"
#include "support/box_answerer.h"
#include "support/debug_output.h"
#include "support/files.h"
#include "support/scratch_folder.h"
#include "support/system_proxy.h"
#include "support/zip_builder.h"

namespace {

using Texts = std::vector<std::string>;

std::string Package() {
    return ZipBuilder()
        .Add("SETUP.INF", "[CONFIG_INI_HIRES]\r\n")
        .Add("LUDRA.EXE", Noise(20000), ZipBuilder::Stored)
        .Build();
}

// A port on 127.0.0.1 that refuses: a server that was there and is gone.
unsigned short RefusingPort() {
    harness::HttpServer gone;
    gone.Start(0);
    const unsigned short port = gone.Port();
    gone.Stop();
    return port;
}

struct Outcome {
    int result;
    Texts trail;
};

// One download, with the system's proxy in the test's hands once UseProxy names it.
class ProxyRun {
public:
    ProxyRun() : scratch_("proxy"), folder_(scratch_ / "LUDRA47") {}

    Outcome Download(const std::string& url) {
        RemoveTree(folder_);
        CreateDirectoryA(folder_.c_str(), nullptr);
        DebugOutput trail;
        const int result = DownloadPackageFrom(nullptr, folder_.c_str(), url.c_str());
        return {result, trail.Lines("Ludra Setup: download")};
    }
    bool Installed() const { return PathExists(folder_ + "\\LUDRA.EXE"); }
    bool UseProxy(const harness::HttpResponse& answer) {
        if (!proxy.Start(0))
            return false;
        proxy.SetResponse(answer);
        settings_ = std::make_unique<SystemProxy>(proxy.Port());
        return settings_->Set();
    }

    BoxAnswerer boxes;
    harness::HttpServer proxy;

private:
    ScratchFolder scratch_;
    std::string folder_;
    std::unique_ptr<SystemProxy> settings_;
};

std::string UrlAt(unsigned short port) {
    return "http://127.0.0.1:" + std::to_string(port) + "/Ludra47/LD46DEMO.zip";
}

harness::HttpResponse ProxyAnswer(int status = 200) {
    harness::HttpResponse answer;
    answer.proxy = true;
    answer.status = status;
    answer.body = Package();
    return answer;
}

TEST(ProxyRoad, TakenOnlyWhenTheDirectRoadCannotConnectAndAProxyIsConfigured) {
    const struct {
        const char* name;
        bool proxyConfigured;
        int directStatus; // 0: the direct port refuses
        int result;
        int proxyRequests;
    } rows[] = {
        {"the direct port refuses, a proxy is configured", true, 0, DownloadSucceeded, 1},
        {"both roads open", true, 200, DownloadSucceeded, 0},
        {"the server answers with an error page, a proxy is configured", true, 404, DownloadFailed, 0},
        {"no proxy configured, the direct port refuses", false, 0, DownloadFailed, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ProxyRun run;
        harness::HttpServer server;
        ASSERT_TRUE(server.Start(0));
        server.SetResponse({row.directStatus, Package()});
        if (row.proxyConfigured) {
            ASSERT_TRUE(run.UseProxy(ProxyAnswer()));
        }
        const std::string url = UrlAt(row.directStatus ? server.Port() : RefusingPort());
        const ULONGLONG start = GetTickCount64();
        const Outcome outcome = run.Download(url);
        EXPECT_EQ(outcome.result, row.result);
        EXPECT_EQ(run.Installed(), row.result == DownloadSucceeded);
        EXPECT_EQ(server.RequestCount(), row.directStatus ? 1 : 0);
        EXPECT_EQ(run.proxy.RequestCount(), row.proxyRequests) << "the second road taken, or not, wrongly";
        if (row.proxyRequests > 0) {
            EXPECT_EQ(run.proxy.LastRequestLine(), "GET " + url + " HTTP/1.1");
            EXPECT_EQ(run.proxy.LastUserAgent(), "VaVava");
        }
        if (!row.proxyConfigured) {
            EXPECT_LT(GetTickCount64() - start, 2000u) << "the failure waited for a road that is not there";
            ASSERT_EQ(outcome.trail.size(), 1u);
            EXPECT_EQ(outcome.trail[0].rfind("Ludra Setup: download failed (direct): ", 0), 0u) << outcome.trail[0];
        }
    }
}

// A proxy that asks for credentials is not answered with any: the download fails, no dialog asks
// for a password, and the trail names the proxy's road and its 407.
TEST(ProxyRoad, ProxyAskingForCredentialsFailsTheDownloadWith407InTheTrail) {
    ProxyRun run;
    ASSERT_TRUE(run.UseProxy(ProxyAnswer(407)));
    const Outcome outcome = run.Download(UrlAt(RefusingPort()));
    EXPECT_EQ(outcome.result, DownloadFailed);
    EXPECT_FALSE(run.Installed());
    EXPECT_EQ(run.boxes.Texts(), Texts{"Attenzione! Connessione Internet non disponibile, download fallito."});
    EXPECT_EQ(outcome.trail, Texts{"Ludra Setup: download failed (proxy): error 0, HTTP status 407, 0 bytes received, "
                                   "0 resumes"});
}

// A drop halfway through the proxy's answer: the rest is asked for through the proxy too.
TEST(ProxyRoad, ResumeAfterADropGoesThroughTheProxy) {
    ProxyRun run;
    harness::HttpResponse answer = ProxyAnswer();
    answer.etag = "\"v1\"";
    answer.rangeRequests = true;
    answer.cutAfter = answer.body.size() / 2;
    answer.cutAnswers = 1;
    ASSERT_TRUE(run.UseProxy(answer));
    EXPECT_EQ(run.Download(UrlAt(RefusingPort())).result, DownloadSucceeded);
    EXPECT_TRUE(run.Installed());
    EXPECT_EQ(run.proxy.Ranges(), (Texts{"", "bytes=" + std::to_string(answer.cutAfter) + "-"}));
}

} // namespace
