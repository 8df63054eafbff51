// The second road: when the direct connection fails before any answer and the system names a
// proxy, the same request goes through that proxy (the test server in its proxy mode), and a
// resume follows it there. A working direct road, no proxy, or an answer that is a refusal take
// no second road.
#include <windows.h>

#include <gtest/gtest.h>

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
    std::string program(20000, '\0');
    unsigned state = 11;
    for (char& byte : program)
        byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 23);
    return ZipBuilder()
        .Add("SETUP.INF", "[CONFIG_INI_HIRES]\r\n")
        .Add("LUDRA.EXE", program, ZipBuilder::Stored)
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

class ProxyRoad : public testing::Test {
protected:
    ProxyRoad() : scratch_("proxy"), folder_(scratch_ / "LUDRA47") {}

    Outcome Download(const std::string& url) {
        RemoveTree(folder_);
        CreateDirectoryA(folder_.c_str(), nullptr);
        DebugOutput trail;
        const int result = DownloadPackageFrom(nullptr, folder_.c_str(), url.c_str());
        return {result, trail.Lines("Ludra Setup: download")};
    }
    bool Installed() const { return PathExists(folder_ + "\\LUDRA.EXE"); }
    static std::string UrlAt(unsigned short port) {
        return "http://127.0.0.1:" + std::to_string(port) + "/Ludra47/LD46DEMO.zip";
    }
    static harness::HttpResponse ProxyAnswer(int status = 200) {
        harness::HttpResponse answer;
        answer.proxy = true;
        answer.status = status;
        answer.body = Package();
        return answer;
    }

    BoxAnswerer boxes_;
    ScratchFolder scratch_;
    std::string folder_;
};

TEST_F(ProxyRoad, TakenOnlyWhenTheDirectRoadCannotConnectAndAProxyIsConfigured) {
    const std::string refused = UrlAt(RefusingPort());
    {
        SCOPED_TRACE("the direct port refuses, a proxy is configured");
        harness::HttpServer proxy;
        ASSERT_TRUE(proxy.Start(0));
        proxy.SetResponse(ProxyAnswer());
        SystemProxy settings(proxy.Port());
        ASSERT_TRUE(settings.Set());
        EXPECT_EQ(Download(refused).result, DownloadSucceeded);
        EXPECT_TRUE(Installed());
        EXPECT_EQ(proxy.RequestCount(), 1);
        EXPECT_EQ(proxy.LastRequestLine(), "GET " + refused + " HTTP/1.1");
        EXPECT_EQ(proxy.LastUserAgent(), "VaVava");
    }
    {
        SCOPED_TRACE("both roads open");
        harness::HttpServer proxy, server;
        ASSERT_TRUE(proxy.Start(0) && server.Start(0));
        proxy.SetResponse(ProxyAnswer());
        harness::HttpResponse direct;
        direct.body = Package();
        server.SetResponse(direct);
        SystemProxy settings(proxy.Port());
        EXPECT_EQ(Download(UrlAt(server.Port())).result, DownloadSucceeded);
        EXPECT_EQ(server.RequestCount(), 1);
        EXPECT_EQ(proxy.RequestCount(), 0) << "the proxy was asked although the server answered";
    }
    {
        SCOPED_TRACE("the server answers with an error page, a proxy is configured");
        harness::HttpServer proxy, server;
        ASSERT_TRUE(proxy.Start(0) && server.Start(0));
        proxy.SetResponse(ProxyAnswer());
        server.SetResponse({404, "Not Found"});
        SystemProxy settings(proxy.Port());
        EXPECT_EQ(Download(UrlAt(server.Port())).result, DownloadFailed);
        EXPECT_EQ(proxy.RequestCount(), 0) << "an answer from the server took the second road";
    }
    {
        SCOPED_TRACE("no proxy configured, the direct port refuses");
        const ULONGLONG start = GetTickCount64();
        const Outcome outcome = Download(refused);
        EXPECT_EQ(outcome.result, DownloadFailed);
        EXPECT_LT(GetTickCount64() - start, 2000u) << "the failure waited for a road that is not there";
        ASSERT_EQ(outcome.trail.size(), 1u);
        EXPECT_EQ(outcome.trail[0].rfind("Ludra Setup: download failed (direct): ", 0), 0u) << outcome.trail[0];
    }
}

// A proxy that asks for credentials is not answered with any: the download fails, no dialog asks
// for a password, and the trail names the proxy's road and its 407.
TEST_F(ProxyRoad, ProxyAskingForCredentialsFailsTheDownloadWith407InTheTrail) {
    harness::HttpServer proxy;
    ASSERT_TRUE(proxy.Start(0));
    proxy.SetResponse(ProxyAnswer(407));
    SystemProxy settings(proxy.Port());
    const Outcome outcome = Download(UrlAt(RefusingPort()));
    EXPECT_EQ(outcome.result, DownloadFailed);
    EXPECT_FALSE(Installed());
    EXPECT_EQ(boxes_.Texts(), Texts{"Attenzione! Connessione Internet non disponibile, download fallito."});
    EXPECT_EQ(outcome.trail, Texts{"Ludra Setup: download failed (proxy): error 0, HTTP status 407, 0 bytes received, "
                                   "0 resumes"});
}

// A drop halfway through the proxy's answer: the rest is asked for through the proxy too.
TEST_F(ProxyRoad, ResumeAfterADropGoesThroughTheProxy) {
    harness::HttpServer proxy;
    ASSERT_TRUE(proxy.Start(0));
    harness::HttpResponse answer = ProxyAnswer();
    answer.etag = "\"v1\"";
    answer.rangeRequests = true;
    answer.cutAfter = answer.body.size() / 2;
    answer.cutAnswers = 1;
    proxy.SetResponse(answer);
    SystemProxy settings(proxy.Port());
    EXPECT_EQ(Download(UrlAt(RefusingPort())).result, DownloadSucceeded);
    EXPECT_TRUE(Installed());
    EXPECT_EQ(proxy.Ranges(), (Texts{"", "bytes=" + std::to_string(answer.cutAfter) + "-"}));
}

} // namespace
