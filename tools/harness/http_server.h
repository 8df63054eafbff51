// A small HTTP/1.0 server on 127.0.0.1 for the tests, run on its own thread: it answers every
// request with one scripted response (status, body, a cut-short body, a slow body, a body that
// stalls on an open connection, or no answer at all), ranges of the body when asked, and a
// package that changes after the first answer.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace harness {

struct HttpResponse {
    int status = 200;
    std::string body;
    // Close the connection after this many body bytes although Content-Length promised all.
    size_t cutAfter = std::string::npos;
    // Body sent in pieces of this size with a pause after each (0: all at once); its first
    // chunkedFrom bytes at once before the pieces.
    size_t chunkSize = 0;
    DWORD chunkPauseMs = 0;
    size_t chunkedFrom = 0;
    // After this many body bytes nothing more is sent, and the connection is kept open until the
    // client closes it (a dead route, a stuck proxy).
    size_t stallAfter = std::string::npos;
    // The request is read and never answered; the connection is kept open as above.
    bool silent = false;
    // cutAfter and stallAfter count the bytes of each answer, and apply to the first cutAnswers
    // answers only. A cut resets the connection instead of closing it when resetAtCut is set.
    size_t cutAnswers = std::string::npos;
    bool resetAtCut = false;
    // Sent as the ETag, and as the Last-Modified date, when not empty.
    std::string etag = {};
    std::string lastModified = {};
    // A Range request (with an If-Range that names the current strong ETag or date, or none) gets
    // 206 and the rest of the body from where it asks; with ignoreIfRange, whatever its If-Range
    // (a cache that honours the one and not the other).
    bool rangeRequests = false;
    bool ignoreIfRange = false;
    // A 206 carries this many bytes more than its range (and its Content-Length counts them).
    size_t rangeRunsOn = 0;
    // A 206 that starts this many bytes before the byte asked for (a cache that rounds ranges).
    size_t rangeStartsEarly = 0;
    // Sent instead of the true Content-Range of a 206, when not empty (a proxy that mislabels it).
    std::string contentRange = {};
    // The request of this index (0 for the first) is never answered, as with silent.
    size_t unansweredRequest = std::string::npos;
    // From the second answer on, the package changed: this body, under the ETag laterEtag.
    std::string laterBody = {};
    std::string laterEtag = {};
    // From the second answer on, a pause this long before the header, and again before the body.
    DWORD laterPauseMs = 0;
    // Announced instead of the body's size (0: the body's size).
    uint64_t announcedLength = 0;
    // No Content-Length, and the body sent again and again until the client closes.
    bool endless = false;
    // Chunked: the body as one chunk, then a chunk-size line that never ends, one byte every half
    // second (a stuck proxy): bytes keep coming, but no more data.
    bool trickleWithoutData = false;
    // A proxy: only a request for an absolute URI is answered (as scripted; a 407 asks for
    // credentials), any other gets 400. A CONNECT is tunnelled to the port it names on 127.0.0.1,
    // or refused with 403 when refuseConnect is set.
    bool proxy = false;
    bool refuseConnect = false;
};

class HttpServer {
public:
    HttpServer() = default;
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Listens on 127.0.0.1:port (0 picks a free port); false if the port cannot be had.
    bool Start(unsigned short port);
    void Stop();
    unsigned short Port() const { return port_; }

    void SetResponse(const HttpResponse& response);
    // Requests that carried a request line (connection checks without one are not counted).
    int RequestCount() const { return requests_; }
    std::string LastRequestLine() const;
    std::string LastUserAgent() const;
    // Connections kept open by a stall that the client has closed since.
    int HeldConnectionsClosed() const { return heldClosed_; }
    // The Range header of each request so far, in order (empty for a request without one).
    std::vector<std::string> Ranges() const;

private:
    void Serve();
    void Answer(UINT_PTR client);
    void HoldOpen(UINT_PTR client);
    void SendEndless(UINT_PTR client, const std::string& body);
    void TrickleWithoutData(UINT_PTR client, const std::string& body);
    void Tunnel(UINT_PTR client, const std::string& requestLine, bool refuse);

    UINT_PTR listener_ = ~UINT_PTR{0};
    unsigned short port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> requests_{0};
    std::atomic<int> heldClosed_{0};
    mutable std::mutex mutex_;
    HttpResponse response_;
    std::string lastRequestLine_;
    std::string lastUserAgent_;
    std::vector<std::string> ranges_;
};

} // namespace harness
