// The tests' HTTP server: blocking Winsock on one thread, one connection at a time.
#include "http_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace harness {

namespace {
constexpr DWORD AcceptPollMs = 50;
constexpr DWORD ReceiveTimeoutMs = 3000;
// A stalled connection is held at most this long, even if neither side gives up.
constexpr ULONGLONG HoldLimitMs = 120000;
constexpr DWORD TrickleMs = 500;

const char* ReasonPhrase(int status) {
    switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 400: return "Bad Request";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 407: return "Proxy Authentication Required";
    case 500: return "Internal Server Error";
    }
    return "Status";
}

bool SendAll(SOCKET socket, const char* data, size_t size) {
    while (size > 0) {
        const int sent = send(socket, data, static_cast<int>(size > 65536 ? 65536 : size), 0);
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

std::string HeaderValue(const std::string& request, const char* name) {
    const std::string key = std::string("\r\n") + name + ":";
    const size_t at = request.find(key);
    if (at == std::string::npos)
        return {};
    size_t start = at + key.size();
    while (start < request.size() && request[start] == ' ')
        ++start;
    const size_t end = request.find("\r\n", start);
    return request.substr(start, end == std::string::npos ? std::string::npos : end - start);
}
} // namespace

HttpServer::~HttpServer() {
    Stop();
}

bool HttpServer::Start(unsigned short port) {
    WSADATA wsa = {};
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return false;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 8) != 0) {
        closesocket(listener);
        return false;
    }
    int length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    listener_ = listener;
    stopping_ = false;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void HttpServer::Stop() {
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listener_ != ~UINT_PTR{0}) {
        closesocket(static_cast<SOCKET>(listener_));
        listener_ = ~UINT_PTR{0};
        WSACleanup();
    }
}

void HttpServer::SetResponse(const HttpResponse& response) {
    std::lock_guard<std::mutex> lock(mutex_);
    response_ = response;
}

std::string HttpServer::LastRequestLine() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastRequestLine_;
}

std::vector<std::string> HttpServer::Ranges() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ranges_;
}

std::string HttpServer::LastUserAgent() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastUserAgent_;
}

void HttpServer::Serve() {
    const SOCKET listener = static_cast<SOCKET>(listener_);
    while (!stopping_) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener, &ready);
        timeval wait = {0, static_cast<long>(AcceptPollMs * 1000)};
        if (select(0, &ready, nullptr, nullptr, &wait) <= 0)
            continue;
        SOCKET client = accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        Answer(client);
        closesocket(client);
    }
}

void HttpServer::Answer(UINT_PTR clientHandle) {
    const SOCKET client = static_cast<SOCKET>(clientHandle);
    const DWORD timeout = ReceiveTimeoutMs;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
        const int received = recv(client, buffer, sizeof buffer, 0);
        if (received <= 0)
            return; // a connection check that sends nothing, or a client that gave up
        request.append(buffer, static_cast<size_t>(received));
    }
    HttpResponse response;
    const std::string range = HeaderValue(request, "Range");
    const std::string ifRange = HeaderValue(request, "If-Range");
    {
        std::lock_guard<std::mutex> lock(mutex_);
        response = response_;
        lastRequestLine_ = request.substr(0, request.find("\r\n"));
        lastUserAgent_ = HeaderValue(request, "User-Agent");
        ranges_.push_back(range);
    }
    const size_t answer = static_cast<size_t>(requests_++);
    if (response.proxy && request.rfind("CONNECT ", 0) == 0) {
        Tunnel(clientHandle, request.substr(0, request.find("\r\n")), response.refuseConnect);
        return;
    }
    if (response.proxy && request.find(" http://") != request.find(' ')) {
        response.status = 400;
        response.body = "not a proxy request";
    }
    if (response.silent || answer == response.unansweredRequest) {
        HoldOpen(clientHandle);
        return;
    }
    if (answer > 0 && !response.laterBody.empty()) {
        response.body = response.laterBody;
        response.etag = response.laterEtag;
    }
    const DWORD pauseMs = answer > 0 ? response.laterPauseMs : 0;
    Sleep(pauseMs);
    if (response.endless) {
        SendEndless(clientHandle, response.body);
        return;
    }
    if (response.trickleWithoutData) {
        TrickleWithoutData(clientHandle, response.body);
        return;
    }
    // A range of the body, from where the client asks, while it still names this package.
    size_t from = 0;
    const bool partial =
        response.rangeRequests && range.rfind("bytes=", 0) == 0 &&
        (ifRange.empty() || response.ignoreIfRange || ifRange == response.lastModified ||
         (ifRange == response.etag && ifRange.rfind("W/", 0) != 0)) &&
        (from = static_cast<size_t>(std::strtoull(range.c_str() + 6, nullptr, 10))) < response.body.size();
    if (!partial)
        from = 0;
    else
        from -= from < response.rangeStartsEarly ? from : response.rangeStartsEarly;
    const size_t size = response.body.size();
    std::string header = "HTTP/1.0 " + std::to_string(partial ? 206 : response.status) + " " +
                         ReasonPhrase(partial ? 206 : response.status) + "\r\nContent-Type: application/zip\r\n";
    if (partial)
        response.body.append(response.rangeRunsOn, 'X');
    header += "Content-Length: " +
              std::to_string(response.announcedLength ? response.announcedLength : response.body.size() - from) +
              "\r\n";
    if (partial && !response.contentRange.empty())
        header += "Content-Range: " + response.contentRange + "\r\n";
    else if (partial)
        header += "Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(size - 1) + "/" +
                  std::to_string(size) + "\r\n";
    if (!response.etag.empty())
        header += "ETag: " + response.etag + "\r\n";
    if (!response.lastModified.empty())
        header += "Last-Modified: " + response.lastModified + "\r\n";
    if (response.status == 407)
        header += "Proxy-Authenticate: Basic realm=\"office\"\r\n";
    header += "Connection: close\r\n\r\n";
    if (!SendAll(client, header.data(), header.size()))
        return;
    Sleep(pauseMs);
    const bool scripted = answer < response.cutAnswers;
    size_t total = response.body.size() - from;
    const bool cut = scripted && response.cutAfter < total;
    if (cut)
        total = response.cutAfter;
    const bool stall = scripted && response.stallAfter < total;
    if (stall)
        total = response.stallAfter;
    const size_t chunk = response.chunkSize ? response.chunkSize : (total ? total : 1);
    for (size_t sent = 0, piece = 0; sent < total && !stopping_; sent += piece) {
        piece = sent == 0 && response.chunkedFrom ? response.chunkedFrom : chunk;
        piece = total - sent < piece ? total - sent : piece;
        if (!SendAll(client, response.body.data() + from + sent, piece))
            return;
        if (response.chunkPauseMs)
            Sleep(response.chunkPauseMs);
    }
    if (stall) {
        HoldOpen(clientHandle);
        return;
    }
    if (cut && response.resetAtCut) {
        // What was sent arrives first; then the reset.
        Sleep(200);
        linger abort = {1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
        return;
    }
    shutdown(client, SD_SEND);
}

// Sends the body over and over, without a length, until the client closes the connection (or
// the hold limit passes, or the server stops).
void HttpServer::SendEndless(UINT_PTR clientHandle, const std::string& body) {
    const SOCKET client = static_cast<SOCKET>(clientHandle);
    const std::string header = "HTTP/1.0 200 OK\r\nContent-Type: application/zip\r\nConnection: close\r\n\r\n";
    const ULONGLONG until = GetTickCount64() + HoldLimitMs;
    if (body.empty() || !SendAll(client, header.data(), header.size()))
        return;
    while (!stopping_ && GetTickCount64() < until && SendAll(client, body.data(), body.size())) {
    }
    ++heldClosed_;
}

void HttpServer::TrickleWithoutData(UINT_PTR clientHandle, const std::string& body) {
    const SOCKET client = static_cast<SOCKET>(clientHandle);
    char size[32];
    std::snprintf(size, sizeof size, "%zx\r\n", body.size());
    const std::string head =
        std::string("HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nTransfer-Encoding: chunked\r\n") +
        "Connection: close\r\n\r\n" + size + body + "\r\n10;";
    const ULONGLONG until = GetTickCount64() + HoldLimitMs;
    if (!SendAll(client, head.data(), head.size()))
        return;
    while (!stopping_ && GetTickCount64() < until && SendAll(client, "x", 1))
        Sleep(TrickleMs);
    ++heldClosed_;
}

// A CONNECT: the tunnel to 127.0.0.1 at the port it names, both ways until either side closes.
void HttpServer::Tunnel(UINT_PTR clientHandle, const std::string& requestLine, bool refuse) {
    const SOCKET client = static_cast<SOCKET>(clientHandle);
    const size_t colon = requestLine.find(':');
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port =
        htons(static_cast<u_short>(colon == std::string::npos ? 0 : std::atoi(requestLine.c_str() + colon + 1)));
    SOCKET server = refuse ? INVALID_SOCKET : socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (server != INVALID_SOCKET && connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(server);
        server = INVALID_SOCKET;
    }
    if (server == INVALID_SOCKET) {
        const std::string refused = "HTTP/1.0 403 Forbidden\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        SendAll(client, refused.data(), refused.size());
        return;
    }
    const std::string established = "HTTP/1.0 200 Connection established\r\n\r\n";
    const ULONGLONG until = GetTickCount64() + HoldLimitMs;
    char buffer[16384];
    bool open = SendAll(client, established.data(), established.size());
    while (open && !stopping_ && GetTickCount64() < until) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(client, &ready);
        FD_SET(server, &ready);
        timeval wait = {0, static_cast<long>(AcceptPollMs * 1000)};
        if (select(0, &ready, nullptr, nullptr, &wait) <= 0)
            continue;
        for (const auto& [from, to] :
             {std::pair<SOCKET, SOCKET>{client, server}, std::pair<SOCKET, SOCKET>{server, client}}) {
            if (!open || !FD_ISSET(from, &ready))
                continue;
            const int received = recv(from, buffer, sizeof buffer, 0);
            open = received > 0 && SendAll(to, buffer, static_cast<size_t>(received));
        }
    }
    closesocket(server);
}

// Sends nothing more and waits for the client to close the connection (or the server to stop).
void HttpServer::HoldOpen(UINT_PTR clientHandle) {
    const SOCKET client = static_cast<SOCKET>(clientHandle);
    const ULONGLONG until = GetTickCount64() + HoldLimitMs;
    char buffer[4096];
    while (!stopping_ && GetTickCount64() < until) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(client, &ready);
        timeval wait = {0, static_cast<long>(AcceptPollMs * 1000)};
        if (select(0, &ready, nullptr, nullptr, &wait) <= 0)
            continue;
        if (recv(client, buffer, sizeof buffer, 0) <= 0) {
            ++heldClosed_;
            return;
        }
    }
}

} // namespace harness
