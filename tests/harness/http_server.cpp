// The tests' HTTP server: blocking Winsock on one thread, one connection at a time.
#include "http_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>

namespace harness {

namespace {
constexpr DWORD AcceptPollMs = 50;
constexpr DWORD ReceiveTimeoutMs = 3000;
// A stalled connection is held at most this long, even if neither side gives up.
constexpr ULONGLONG HoldLimitMs = 120000;

const char* ReasonPhrase(int status) {
    switch (status) {
    case 200: return "OK";
    case 404: return "Not Found";
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
    {
        std::lock_guard<std::mutex> lock(mutex_);
        response = response_;
        lastRequestLine_ = request.substr(0, request.find("\r\n"));
        lastUserAgent_ = HeaderValue(request, "User-Agent");
    }
    ++requests_;
    if (response.silent) {
        HoldOpen(clientHandle);
        return;
    }

    char header[256];
    snprintf(header, sizeof header,
             "HTTP/1.0 %d %s\r\nContent-Type: application/zip\r\nContent-Length: %zu\r\n"
             "Connection: close\r\n\r\n",
             response.status, ReasonPhrase(response.status), response.body.size());
    if (!SendAll(client, header, std::strlen(header)))
        return;
    size_t total = response.cutAfter < response.body.size() ? response.cutAfter : response.body.size();
    const bool stall = response.stallAfter < total;
    if (stall)
        total = response.stallAfter;
    const size_t chunk = response.chunkSize ? response.chunkSize : (total ? total : 1);
    for (size_t sent = 0; sent < total && !stopping_; sent += chunk) {
        const size_t piece = total - sent < chunk ? total - sent : chunk;
        if (!SendAll(client, response.body.data() + sent, piece))
            return;
        if (response.chunkPauseMs)
            Sleep(response.chunkPauseMs);
    }
    if (stall) {
        HoldOpen(clientHandle);
        return;
    }
    shutdown(client, SD_SEND);
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
