// The package download against an HTTP server on 127.0.0.1 run by the test: what the user
// sees (message boxes, wait texts, percentages) and what stays in the installation folder.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "dialog_watch.h"
#include "http_server.h"
#include "install/download.h"
#include "package_url.h"
#include "support/program_texts.h"
#include "support/scratch_folder.h"
#include "support/ticking_window.h"
#include "support/zip_builder.h"

namespace {

using Texts = std::vector<std::string>;

// Bytes that deflate cannot shrink, so the package spans several 4,096-byte blocks.
std::string Noise(size_t size) {
    std::string bytes(size, '\0');
    unsigned state = 47;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 23);
    }
    return bytes;
}

std::string ProductPackage(size_t programSize = 20000) {
    return ZipBuilder()
        .Add("SETUP.INF", "[CONFIG_INI_HIRES]\r\n")
        .Add("PROGRAMMI/LUDRA.EXE", Noise(programSize), ZipBuilder::Stored)
        .Build();
}

class DownloadTest : public testing::Test {
protected:
    DownloadTest() : scratch_("download"), folder_(scratch_ / "LUDRA47"), owner_(nullptr) {
        CreateDirectoryA(folder_.c_str(), nullptr);
        owner_ = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    ~DownloadTest() override { DestroyWindow(owner_); }

    void Serve(const harness::HttpResponse& response) {
        ASSERT_TRUE(server_.Start(0));
        server_.SetResponse(response);
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(server_.Port()) + "/Ludra47/LD46DEMO.zip"; }
    int Download() { return DownloadPackageFrom(owner_, folder_.c_str(), Url().c_str()); }
    std::string PackageFile() const { return folder_ + "\\LD46DEMO.zip"; }
    std::string In(const std::string& name) const { return folder_ + "\\" + name; }

    ScratchFolder scratch_;
    std::string folder_;
    HWND owner_;
    harness::HttpServer server_;
};

TEST_F(DownloadTest, WholePackageIsUnpackedAndDeleted) {
    const std::string package = ProductPackage();
    Serve({200, package});
    BoxAnswerer boxes;
    EXPECT_EQ(Download(), DownloadSucceeded);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(ReadWholeFile(In("SETUP.INF")), "[CONFIG_INI_HIRES]\r\n");
    EXPECT_EQ(ReadWholeFile(In("PROGRAMMI\\LUDRA.EXE")), Noise(20000));
    EXPECT_FALSE(PathExists(PackageFile()));
    EXPECT_EQ(std::string(PackagePath), PackageFile());
    EXPECT_EQ(server_.LastRequestLine().rfind("GET /Ludra47/LD46DEMO.zip HTTP/", 0), 0u) << server_.LastRequestLine();
    EXPECT_EQ(server_.LastUserAgent(), "VaVava");
    EXPECT_TRUE(IsWindowEnabled(owner_));

    // A second download of a package that changed meanwhile fetches it again, never a cached copy.
    server_.SetResponse({200, ProductPackage(30000)});
    EXPECT_EQ(Download(), DownloadSucceeded);
    EXPECT_EQ(server_.RequestCount(), 2);
    EXPECT_EQ(ReadWholeFile(In("PROGRAMMI\\LUDRA.EXE")), Noise(30000));
}

// The status and the percentage are given for every block, but a field or the bar is sent a
// value only when it changes: 0 for the first 95 blocks, 1 from 390,572 bytes on, 100 at the end.
TEST_F(DownloadTest, WaitShowsEachNewPercentageOnceThenCompletion) {
    if (!WaitDialogAvailable())
        GTEST_SKIP() << "the wait shows no dialog in this build";
    Serve({200, ProductPackage(400000)});
    BoxAnswerer boxes;
    WaitDialogWatch watch;
    EXPECT_EQ(Download(), DownloadSucceeded);
    ASSERT_TRUE(watch.DialogSeen());
    EXPECT_EQ(watch.Percents(), (Texts{"0", "1", "100"}));
    EXPECT_EQ(watch.Statuses(), (Texts{DownloadingText, DownloadCompletedText}));
}

// The reads wait for the network on a worker thread: the step's thread serves its windows
// meanwhile, before the first block as between blocks. The package trickles in, 2 KB every
// 0.2 s for about 7 s: each piece is news from the network, and the no-data limit (3 s in the
// test build) counts only silence, however long a whole 4,096-byte block takes.
TEST_F(DownloadTest, SlowSteadyLinkCompletesWhileTheWindowsKeepAnswering) {
    harness::HttpResponse slow{200, ProductPackage(65000)};
    slow.chunkSize = 2048;
    slow.chunkPauseMs = 200;
    Serve(slow);
    TickingWindow ticking;
    BoxAnswerer boxes;
    EXPECT_EQ(Download(), DownloadSucceeded);
    EXPECT_EQ(ReadWholeFile(In("PROGRAMMI\\LUDRA.EXE")), Noise(65000));
    ticking.Stop();
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_GT(ticking.Ticks(), 20);
    EXPECT_LT(ticking.LongestGap(), 200u) << "the thread went that long without serving its windows";
}

// Many more blocks than the worker may read ahead, arriving in pieces that are no multiple of a
// block: every byte reaches the package once and in order (the unpacking checks each CRC).
TEST_F(DownloadTest, LargePackageArrivesWholeThroughTheReadAhead) {
    const std::string package = ProductPackage(1500000);
    harness::HttpResponse pieces{200, package};
    pieces.chunkSize = 1500;
    Serve(pieces);
    BoxAnswerer boxes;
    EXPECT_EQ(Download(), DownloadSucceeded);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_EQ(ReadWholeFile(In("PROGRAMMI\\LUDRA.EXE")), Noise(1500000));
}

TEST_F(DownloadTest, ErrorPagesFailWithTheMessageAndNoPackage) {
    Serve({404, "<html><body>Not Found</body></html>"});
    for (const int status : {404, 500}) {
        server_.SetResponse({status, "<html><body>error page</body></html>"});
        BoxAnswerer boxes;
        EXPECT_EQ(Download(), DownloadFailed) << status;
        EXPECT_EQ(boxes.Texts(), Texts{DownloadFailedText}) << status;
        EXPECT_FALSE(PathExists(PackageFile())) << status;
        EXPECT_TRUE(IsWindowEnabled(owner_));
    }
}

// A 200 answer that is no archive is received whole; the unpacking fails without a message of
// its own (the caller answers for it) and the package is deleted.
TEST_F(DownloadTest, BodyThatIsNoArchiveFailsQuietlyAndIsDeleted) {
    Serve({200, "<html><body>Benvenuti</body></html>"});
    {
        BoxAnswerer boxes;
        EXPECT_EQ(Download(), UnpackingFailed);
        EXPECT_TRUE(boxes.Texts().empty());
        EXPECT_FALSE(PathExists(PackageFile()));
    }
    server_.SetResponse({200, ""});
    WaitDialogWatch watch;
    BoxAnswerer boxes;
    EXPECT_EQ(Download(), UnpackingFailed);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_FALSE(PathExists(PackageFile()));
    EXPECT_TRUE(ListFolder(folder_).empty());
    // An empty body shows the dialog only now, at its end.
    if (watch.DialogSeen()) {
        EXPECT_EQ(watch.Statuses(), Texts{DownloadCompletedText});
        EXPECT_EQ(watch.Percents(), Texts{"100"});
    }
}

// The partial package stays, replacing what an earlier attempt left rather than growing it.
TEST_F(DownloadTest, BodyCutShortFailsAndKeepsOnlyWhatArrived) {
    const std::string package = ProductPackage();
    ASSERT_TRUE(WriteWholeFile(PackageFile(), std::string(50000, 'v')));
    harness::HttpResponse cut{200, package};
    cut.cutAfter = 5000;
    Serve(cut);
    BoxAnswerer boxes;
    EXPECT_EQ(Download(), DownloadFailed);
    EXPECT_EQ(boxes.Texts(), Texts{DownloadFailedText});
    EXPECT_EQ(ReadWholeFile(PackageFile()), package.substr(0, 5000));
    EXPECT_FALSE(PathExists(In("SETUP.INF")));
}

// A server that sends part of the body and then resets the connection.
class ResettingServer {
public:
    ResettingServer() : listener_(INVALID_SOCKET), port_(0), thread_() {
        WSADATA wsa = {};
        WSAStartup(MAKEWORD(2, 2), &wsa);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 4);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~ResettingServer() {
        closesocket(listener_);
        thread_.join();
        WSACleanup();
    }
    unsigned short Port() const { return port_; }

private:
    // Connection checks send nothing; the request gets half a body and a reset. Bounded by
    // the accept timeout and the number of connections.
    void Serve() {
        for (int connection = 0; connection < 4; ++connection) {
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(listener_, &ready);
            timeval wait = {10, 0};
            if (select(0, &ready, nullptr, nullptr, &wait) <= 0)
                return;
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            char request[4096];
            const int received = recv(client, request, sizeof request, 0);
            if (received > 0) {
                // No length: only the failed read tells the reset from the end of the body.
                const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: application/zip\r\n\r\n";
                const std::string body = Noise(9000);
                send(client, head.data(), static_cast<int>(head.size()), 0);
                send(client, body.data(), static_cast<int>(body.size()), 0);
                Sleep(200);
                linger abort = {1, 0};
                setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
            }
            closesocket(client);
            if (received > 0)
                return;
        }
    }

    SOCKET listener_;
    unsigned short port_;
    std::thread thread_;
};

TEST_F(DownloadTest, ConnectionResetMidTransferFails) {
    ResettingServer server;
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/Ludra47/LD46DEMO.zip";
    BoxAnswerer boxes;
    EXPECT_EQ(DownloadPackageFrom(owner_, folder_.c_str(), url.c_str()), DownloadFailed);
    EXPECT_EQ(boxes.Texts(), Texts{DownloadFailedText});
    EXPECT_FALSE(PathExists(In("SETUP.INF")));
}

TEST_F(DownloadTest, ServerThatIsNotThereFails) {
    ASSERT_TRUE(server_.Start(0));
    const std::string url = Url();
    server_.Stop();
    BoxAnswerer boxes;
    EXPECT_EQ(DownloadPackageFrom(owner_, folder_.c_str(), url.c_str()), DownloadFailed);
    EXPECT_EQ(boxes.Texts(), Texts{DownloadFailedText});
    EXPECT_FALSE(PathExists(PackageFile()));
    EXPECT_TRUE(IsWindowEnabled(owner_));
}

// Cancel heard in the first block's pump: that block is not written, the (replaced) package
// file stays empty, and the failure message follows the confirmation.
TEST_F(DownloadTest, CancelConfirmedDuringTheFirstBlockLeavesAnEmptyPackage) {
    if (!WaitDialogAvailable())
        GTEST_SKIP() << "the wait shows no dialog in this build";
    ASSERT_TRUE(WriteWholeFile(PackageFile(), std::string(50000, 'v')));
    Serve({200, ProductPackage()});
    BoxAnswerer boxes(IDYES);
    WaitDialogWatch watch(true);
    EXPECT_EQ(Download(), DownloadFailed);
    EXPECT_EQ(boxes.Texts(), (Texts{CancelQuestion, DownloadFailedText}));
    EXPECT_TRUE(PathExists(PackageFile()));
    EXPECT_EQ(ReadWholeFile(PackageFile()), "");
    EXPECT_TRUE(watch.Percents().empty());
    EXPECT_FALSE(PathExists(In("SETUP.INF")));
    EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(DownloadTest, CancelAnsweredNoLetsTheTransferComplete) {
    if (!WaitDialogAvailable())
        GTEST_SKIP() << "the wait shows no dialog in this build";
    Serve({200, ProductPackage()});
    BoxAnswerer boxes(IDNO);
    WaitDialogWatch watch(true);
    EXPECT_EQ(Download(), DownloadSucceeded);
    EXPECT_EQ(boxes.Texts(), Texts{CancelQuestion});
    EXPECT_EQ(ReadWholeFile(In("PROGRAMMI\\LUDRA.EXE")), Noise(20000));
    EXPECT_FALSE(PathExists(PackageFile()));
    ASSERT_FALSE(watch.Percents().empty());
    EXPECT_EQ(watch.Percents().back(), "100");
}

// The confirmation may stay up longer than the no-data limit: the worker meanwhile fills its
// read-ahead and waits for room, which is no silence of the network. No lets the transfer finish.
TEST_F(DownloadTest, CancelQuestionLeftOpenPastTheNoDataLimitThenNoCompletes) {
    if (!WaitDialogAvailable())
        GTEST_SKIP() << "the wait shows no dialog in this build";
    Serve({200, ProductPackage(400000)});
    BoxAnswerer boxes(IDNO, nullptr, LUDRA_NO_DATA_LIMIT_MS + 1000);
    WaitDialogWatch watch(true);
    EXPECT_EQ(Download(), DownloadSucceeded);
    EXPECT_EQ(boxes.Texts(), Texts{CancelQuestion});
    EXPECT_EQ(ReadWholeFile(In("PROGRAMMI\\LUDRA.EXE")), Noise(400000));
}

// The transfer's own failures, on an open request: a file that cannot be written.
TEST_F(DownloadTest, WriteThatFailsEndsTheTransfer) {
    Serve({200, ProductPackage()});
    HINTERNET root = nullptr;
    HINTERNET request = nullptr;
    ASSERT_EQ(OpenPackageUrl(Url().c_str(), &root, &request), 1);
    ASSERT_TRUE(WriteWholeFile(PackageFile(), ""));
    HANDLE readOnly = CreateFileA(PackageFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(readOnly, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CopyUrlToFile(request, readOnly, PackageSize), 0);
    CloseHandle(readOnly);
    InternetCloseHandle(request);
    InternetCloseHandle(root);
}

TEST_F(DownloadTest, OpenPackageUrlKeepsEveryHandleItOpened) {
    Serve({500, "oops"});
    HINTERNET root = nullptr;
    HINTERNET request = nullptr;
    EXPECT_EQ(OpenPackageUrl(Url().c_str(), &root, &request), 0);
    EXPECT_NE(root, nullptr);
    EXPECT_NE(request, nullptr);
    InternetCloseHandle(request);
    InternetCloseHandle(root);
}

} // namespace
