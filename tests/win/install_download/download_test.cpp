// The package download against an HTTP server on 127.0.0.1 run by the test: what the user
// sees (message boxes, wait texts, percentages) and what stays in the installation folder.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "dialog_watch.h"
#include "http_server.h"
#include "install/download.h"
#include "install/download_internal.h"
#include "package_url.h"
#include "support/debug_output.h"
#include "support/files.h"
#include "support/program_texts.h"
#include "support/scratch_folder.h"
#include "support/ticking_window.h"
#include "support/zip_builder.h"

namespace {

using Texts = std::vector<std::string>;

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
    std::string UrlOf(const harness::HttpServer& server) const {
        return "http://127.0.0.1:" + std::to_string(server.Port()) + "/Ludra47/LD46DEMO.zip";
    }
    // A download from a server of its own, into an emptied folder.
    int DownloadFrom(harness::HttpServer& server, const harness::HttpResponse& response,
                     uint64_t limit = PackageSizeLimit) {
        RemoveTree(folder_);
        CreateDirectoryA(folder_.c_str(), nullptr);
        if (!server.Start(0))
            return -99;
        server.SetResponse(response);
        return DownloadPackageFrom(owner_, folder_.c_str(), UrlOf(server).c_str(), nullptr, limit);
    }
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
// 0.2 s for 5 to 7 s: each piece is news from the network, and the no-data limit (3 s in the
// test build) counts only silence, however long a whole 4,096-byte block takes; also when the
// link was fast a moment before, within the same run of blocks.
TEST_F(DownloadTest, SlowLinkCompletesWhileTheWindowsKeepAnswering) {
    for (const size_t fastBytes : {size_t{0}, size_t{16384}}) {
        SCOPED_TRACE(fastBytes ? "fast, then a trickle" : "a trickle throughout");
        harness::HttpResponse slow{200, ProductPackage(65000)};
        slow.chunkSize = 2048;
        slow.chunkPauseMs = 200;
        slow.chunkedFrom = fastBytes;
        harness::HttpServer server;
        TickingWindow ticking;
        BoxAnswerer boxes;
        EXPECT_EQ(DownloadFrom(server, slow), DownloadSucceeded);
        EXPECT_EQ(ReadWholeFile(In("PROGRAMMI\\LUDRA.EXE")), Noise(65000));
        ticking.Stop();
        EXPECT_TRUE(boxes.Texts().empty());
        EXPECT_GT(ticking.Ticks(), 20);
        EXPECT_LT(ticking.LongestGap(), 200u) << "the thread went that long without serving its windows";
    }
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

// A connection that breaks at half the body: the rest is asked for from where it stopped, and
// whatever the server makes of that request, the folder gets one package, whole: the first one
// resumed, the first one again, or the one that replaced it meanwhile. An answer that is not the
// rest of this package takes the failure road.
TEST_F(DownloadTest, BodyBrokenAtHalfIsAskedForAgainAndArrivesAsOnePackageOrNone) {
    const std::string package = ProductPackage(200000);
    const size_t half = package.size() / 2 + 1000; // not on a block's edge
    const std::string rest = "bytes=" + std::to_string(half) + "-";
    struct Row {
        const char* name;
        bool ranges;
        std::string laterBody;
        size_t unpackedSize; // 0: the download fails
        Texts ranged;
        std::string lastModified = {};
        size_t startsEarly = 0;
        size_t unanswered = std::string::npos;
        size_t cutAnswers = 1;
        std::string contentRange = {};
        std::string etag = "\"v1\"";
        bool ignoresIfRange = false;
        size_t runsOn = 0;
        DWORD answerPauseMs = 0;
    };
    constexpr size_t None = std::string::npos;
    const std::string from = "bytes " + std::to_string(half) + "-";
    const std::string endsShort = from + std::to_string(package.size() - 2) + "/" + std::to_string(package.size());
    const std::string otherTotal = from + std::to_string(package.size()) + "/" + std::to_string(package.size() + 1);
    const std::string date = "Wed, 09 Dec 2026 10:00:00 GMT";
    // Another package of the same length: its program's bytes in reverse.
    const std::string noise = Noise(200000);
    const std::string reversed(noise.rbegin(), noise.rend());
    const std::string sameLength = ZipBuilder()
                                       .Add("SETUP.INF", "[CONFIG_INI_HIRES]\r\n")
                                       .Add("PROGRAMMI/LUDRA.EXE", reversed, ZipBuilder::Stored)
                                       .Build();
    const Row rows[] = {
        {"the server sends the rest", true, "", 200000, {"", rest}},
        {"the server ignores the range", false, "", 200000, {"", rest}},
        {"the package changed meanwhile", true, ProductPackage(150000), 150000, {"", rest}},
        // The old file's tail must not stay behind the new package.
        {"the package changed to a smaller one", true, ProductPackage(20000), 20000, {"", rest}},
        {"the validator is the date", true, "", 200000, {"", rest}, "Wed, 09 Dec 2026 10:00:00 GMT"},
        {"the first resume gets no answer", true, "", 200000, {"", rest, rest}, "", 0, 1},
        {"the rest starts before the byte asked", true, "", 0, {"", rest}, "", 100},
        {"the rest ends before the package", true, "", 0, {"", rest}, "", 0, None, 1, endsShort},
        {"the rest is of another total", true, "", 0, {"", rest}, "", 0, None, 1, otherTotal},
        // The new package's validator is the one the next resume names.
        {"changed, and broke again", true, ProductPackage(150000), 150000, {"", rest, rest}, "", 0, None, 3},
        // A weak tag never matches an If-Range: the date is named, and the rest comes although
        // every whole answer would break again.
        {"a weak tag and a date", true, "", 200000, {"", rest}, date, 0, None, 3, "", "W/\"v1\""},
        {"a weak tag alone", true, "", 200000, {"", ""}, "", 0, None, 1, "", "W/\"v1\""},
        // A cache that ignores the If-Range: the rest of another package of the same length is
        // not spliced on; the new package is fetched whole.
        {"a rest of another package", true, sameLength, 200000, {"", rest, ""}, "", 0, None, 1, "", "\"v1\"", true},
        {"a rest that runs on past its range", true, "", 200000, {"", rest}, "", 0, None, 1, "", "\"v1\"", false, 1024},
        // Its answer and then its first byte each come just within the limit (3 s in the test build).
        {"a slow answer to the resume", true, "", 200000, {"", rest}, "", 0, None, 1, "", "\"v1\"", false, 0, 2500},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        harness::HttpResponse broken{200, package};
        broken.cutAfter = half;
        broken.cutAnswers = row.cutAnswers;
        broken.contentRange = row.contentRange;
        broken.resetAtCut = true;
        broken.etag = row.lastModified.empty() || row.etag[0] == 'W' ? row.etag : "";
        broken.lastModified = row.lastModified;
        broken.rangeRequests = row.ranges;
        broken.ignoreIfRange = row.ignoresIfRange;
        broken.rangeRunsOn = row.runsOn;
        broken.laterPauseMs = row.answerPauseMs;
        broken.rangeStartsEarly = row.startsEarly;
        broken.unansweredRequest = row.unanswered;
        broken.laterBody = row.laterBody;
        broken.laterEtag = "\"v2\"";
        harness::HttpServer server;
        BoxAnswerer boxes;
        DebugOutput trail;
        EXPECT_EQ(DownloadFrom(server, broken), row.unpackedSize ? DownloadSucceeded : DownloadFailed);
        EXPECT_EQ(boxes.Texts(), row.unpackedSize ? Texts{} : Texts{DownloadFailedText});
        EXPECT_EQ(server.Ranges(), row.ranged);
        if (row.unpackedSize) {
            const std::string program = row.laterBody == sameLength ? reversed : Noise(row.unpackedSize);
            EXPECT_TRUE(ReadWholeFile(In("PROGRAMMI\\LUDRA.EXE")) == program);
        } else { // refused before a byte of the answer was written
            const std::string counts = ", HTTP status 206, " + std::to_string(half) + " bytes received, 1 resumes";
            const Texts lines = trail.Lines("Ludra Setup: download failed (direct): ");
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_EQ(lines[0].substr(lines[0].size() - std::min(lines[0].size(), counts.size())), counts);
        }
        EXPECT_FALSE(PathExists(row.unpackedSize ? PackageFile() : In("SETUP.INF")));
    }
}

// A server that breaks every answer at half: three more tries, after pauses of 1, 2 and 4 s, then
// the failure road, with a trail that tells the support desk so.
TEST_F(DownloadTest, BodyBrokenOnEveryTryFailsAfterThreeResumes) {
    const std::string package = ProductPackage(100000);
    harness::HttpResponse broken{200, package};
    broken.cutAfter = package.size() / 2;
    DebugOutput trail;
    BoxAnswerer boxes;
    harness::HttpServer server;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(DownloadFrom(server, broken), DownloadFailed);
    EXPECT_GE(GetTickCount64() - start, 7000u) << "the pauses were not kept";
    EXPECT_EQ(boxes.Texts(), Texts{DownloadFailedText});
    EXPECT_EQ(server.RequestCount(), 4);
    EXPECT_EQ(trail.Lines(), Texts{"Ludra Setup: download failed (direct): error 12030, HTTP status 200, " +
                                   std::to_string(package.size() / 2) + " bytes received, 3 resumes"});
}

// A package too large for the limit or for the disk is refused: the failure road, no file left to
// fill the disk, and the trail names the cause.
TEST_F(DownloadTest, PackageTooLargeForTheLimitOrTheDiskIsRefusedAndDeleted) {
    ULARGE_INTEGER free = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA(folder_.c_str(), &free, nullptr, nullptr));
    struct Row {
        const char* name;
        uint64_t announced;
        bool endless;
        uint64_t limit;
        DWORD error;
    };
    const Row rows[] = {
        {"no length, no end, past a 1 MiB limit", 0, true, 1 << 20, ERROR_FILE_TOO_LARGE},
        {"announced past the package limit", PackageSizeLimit + 1, false, PackageSizeLimit, ERROR_FILE_TOO_LARGE},
        {"announced past the free space", free.QuadPart, false, UINT64_MAX, ERROR_DISK_FULL},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        harness::HttpResponse large{200, Noise(100000)};
        large.announcedLength = row.announced;
        large.endless = row.endless;
        DebugOutput trail;
        BoxAnswerer boxes;
        harness::HttpServer server;
        EXPECT_EQ(DownloadFrom(server, large, row.limit), DownloadFailed);
        EXPECT_EQ(boxes.Texts(), Texts{DownloadFailedText});
        EXPECT_TRUE(ListFolder(folder_).empty());
        ASSERT_EQ(trail.Lines().size(), 1u);
        EXPECT_TRUE(
            std::regex_match(trail.Lines()[0], std::regex("Ludra Setup: download failed \\(direct\\): error " +
                                                          std::to_string(row.error) +
                                                          ", HTTP status 200, [0-9]+ bytes received, 0 resumes")))
            << trail.Lines()[0];
    }
}

// A stuck proxy: bytes keep coming, so WinINet's own receive time-out never fires, but no data
// of the body does. The download's own clock ends it, half as long again after the limit.
TEST_F(DownloadTest, BytesWithoutDataEndTheDownloadAtItsOwnClock) {
    harness::HttpResponse stuck{200, Noise(20000)};
    stuck.trickleWithoutData = true;
    Serve(stuck);
    BoxAnswerer boxes;
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Download(), DownloadFailed);
    const ULONGLONG spentMs = GetTickCount64() - start;
    EXPECT_GE(spentMs, LUDRA_NO_DATA_LIMIT_MS);
    EXPECT_LT(spentMs, 2 * LUDRA_NO_DATA_LIMIT_MS + 2000) << "the download's clock did not end the stall";
    EXPECT_EQ(boxes.Texts(), Texts{DownloadFailedText});
}

} // namespace
