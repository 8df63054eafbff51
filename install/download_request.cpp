// The requests of a package transfer, made on the worker thread: the first one (the connection
// check, the request line, the status, the announced length and the validator) and the ones that
// ask again for the rest of a body that stopped short. Every handle is published in the shared
// state as soon as it exists, and a blocking call is marked in flight, so that the GUI thread can
// end it by closing the request.
#include "install/transfer_state.h"

#include <initializer_list>
#include <string>
#include <utility>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "install/http_range.h"

namespace {
enum class RoadOutcome { Answered, Unreached, Failed };

constexpr char AgentName[] = "VaVava";
constexpr DWORD HttpStatusPartial = 206;
constexpr size_t HostNameSize = 256;
constexpr size_t UrlPartSize = 2048;
constexpr size_t FinalUrlSize = 4096;
constexpr size_t LengthTextSize = 32;
constexpr size_t HeaderTextSize = 512;
constexpr char SecureScheme[] = "https:";
// A new request is sent again by the server, never answered from a cache.
constexpr DWORD RequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD;

// A request that began on https must still be on https after the redirects it followed.
bool StillSecure(HINTERNET request) {
    char finalUrl[FinalUrlSize] = {};
    DWORD size = sizeof finalUrl;
    if (!InternetQueryOptionA(request, INTERNET_OPTION_URL, finalUrl, &size))
        return false;
    return _strnicmp(finalUrl, SecureScheme, sizeof SecureScheme - 1) == 0;
}

// A response header as text; empty when the answer has none.
std::string HeaderText(HINTERNET request, DWORD header) {
    char text[HeaderTextSize] = {};
    DWORD size = sizeof text - 1;
    if (!HttpQueryInfoA(request, header, text, &size, nullptr))
        return {};
    return text;
}

// Sends the request; its wait for connection and answer can be ended by closing the request.
bool SendRequest(HINTERNET request, TransferState* shared, const char* headers = nullptr) {
    const DWORD headersLength = headers ? static_cast<DWORD>(std::strlen(headers)) : 0;
    return CallOnRequest(shared, request, [&](HINTERNET calling) {
        return HttpSendRequestA(calling, headers, headersLength, nullptr, 0);
    });
}

bool CrackUrl(const char* url, URL_COMPONENTSA& parts, char* host, char* path, char* extra) {
    parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = HostNameSize;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = UrlPartSize;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = UrlPartSize;
    return InternetCrackUrlA(url, 0, 0, &parts) != FALSE;
}

// A GET of the object on the connection, published as soon as it exists, its waits bounded.
bool OpenGet(TransferState* shared, RequestHandles& handles, const std::string& object, DWORD flags,
             DWORD noDataLimitMs) {
    Publish(shared, handles.request,
            HttpOpenRequestA(handles.connect.get(), "GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0));
    if (!handles.request)
        return false;
    BoundWaits(handles.request.get(), noDataLimitMs);
    return true;
}

BOOL CheckConnection(const char* url, TransferState* shared) {
    const BOOL reachable = InternetCheckConnectionA(url, FLAG_ICC_FORCE_CONNECTION, 0);
    if (!reachable && shared)
        RecordFailure(*shared, GetLastError());
    return reachable;
}

// How the server answered a resumed request: 206 from exactly where the body stopped and of the
// same total continues it, 200 sends the whole of it again; anything else is not this package.
// A cache that honours the Range but not the If-Range answers 206 with the rest of whatever it
// holds: only the first answer's validator, in the same header, says the rest is of this package.
ResumeAnswer TakeResumeAnswer(TransferState& state, HINTERNET request, bool ranged, uint64_t from, ResumedBody* body) {
    if ((state.flags & INTERNET_FLAG_SECURE) && !StillSecure(request))
        return ResumeAnswer::Refused;
    const DWORD status = StatusOf(request);
    uint64_t length = 0;
    const bool lengthAnnounced = QueryLength(request, &length);
    ContentRange range;
    const bool partial = ranged && status == HttpStatusPartial;
    const bool continues = partial && ParseContentRange(HeaderText(request, HTTP_QUERY_CONTENT_RANGE).c_str(), &range);
    const bool samePackage = partial && HeaderText(request, state.validatorHeader) == state.validator;
    if (status == HttpStatusOk)
        KeepValidator(state, request);
    CriticalSectionLock lock(state.lock);
    state.report.httpStatus = status;
    if (partial && !samePackage)
        return ResumeAnswer::Changed;
    if (continues && range.first == from && range.total == state.announcedLength && range.last == range.total - 1)
        return ResumeAnswer::Continues;
    if (status != HttpStatusOk)
        return ResumeAnswer::Refused;
    body->lengthAnnounced = lengthAnnounced;
    body->length = length;
    return ResumeAnswer::Restarts;
}

// The root of the road (INTERNET_OPEN_TYPE_DIRECT ignores any proxy configured on the machine;
// INTERNET_OPEN_TYPE_PRECONFIG takes the system's configuration) and the connection to the URL's
// server; the request's object (path and query) and flags.
bool Connect(const char* url, DWORD road, RequestHandles& handles, DWORD noDataLimitMs, TransferState* shared,
             std::string* object, DWORD* flags) {
    Publish(shared, handles.root, InternetOpenA(AgentName, road, nullptr, nullptr, 0));
    if (!handles.root)
        return false;
    BoundWaits(handles.root.get(), noDataLimitMs);
    char host[HostNameSize] = {};
    char path[UrlPartSize] = {};
    char extra[UrlPartSize] = {};
    URL_COMPONENTSA parts;
    if (!CrackUrl(url, parts, host, path, extra))
        return false;
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    if (!secure && parts.nScheme != INTERNET_SCHEME_HTTP)
        return false;
    Publish(shared, handles.connect,
            InternetConnectA(handles.root.get(), host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    *object = std::string(path[0] ? path : "/") + extra;
    // Certificates are checked as the system checks them: no SECURITY_FLAG_IGNORE_* is ever set.
    *flags = RequestFlags | (secure ? INTERNET_FLAG_SECURE : 0);
    return handles.connect.valid();
}
// A failure of the connection itself, before any answer: the server could not be reached (refused,
// unreachable, no name, timed out, reset). WinINet's codes, and the sockets' that Wine gives.
bool IsConnectionError(DWORD error) {
    switch (error) {
    case ERROR_INTERNET_CANNOT_CONNECT:
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
    case ERROR_INTERNET_TIMEOUT:
    case ERROR_INTERNET_CONNECTION_ABORTED:
    case ERROR_INTERNET_CONNECTION_RESET:
    case ERROR_NOT_CONNECTED:
    case WSAECONNREFUSED:
    case WSAETIMEDOUT:
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAENETUNREACH:
    case WSAEHOSTUNREACH: return true;
    default: return false;
    }
}

bool Stopping(TransferState* shared) {
    if (!shared)
        return false;
    CriticalSectionLock lock(shared->lock);
    return shared->stopping;
}

// The system's configuration names a proxy: a proxy server, or a script (PAC) that picks one.
// Automatic detection alone, which Windows turns on by default, names none.
bool ProxyConfigured() {
    InternetHandle root(InternetOpenA(AgentName, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    alignas(INTERNET_PROXY_INFO) char info[HeaderTextSize] = {};
    DWORD size = sizeof info;
    if (root && InternetQueryOptionA(root.get(), INTERNET_OPTION_PROXY, info, &size) &&
        reinterpret_cast<const INTERNET_PROXY_INFO*>(info)->dwAccessType == INTERNET_OPEN_TYPE_PROXY)
        return true;
    INTERNET_PER_CONN_OPTIONA option = {};
    option.dwOption = INTERNET_PER_CONN_FLAGS;
    INTERNET_PER_CONN_OPTION_LISTA list = {};
    list.dwSize = sizeof list;
    list.dwOptionCount = 1;
    list.pOptions = &option;
    DWORD listSize = sizeof list;
    return InternetQueryOptionA(nullptr, INTERNET_OPTION_PER_CONNECTION_OPTION, &list, &listSize) &&
           (option.Value.dwValue & PROXY_TYPE_AUTO_PROXY_URL) != 0;
}

// The direct road's handles are closed, the request first, and the road is marked as the proxy's:
// the trail names it, a resume takes it, and the GUI thread's clock gives its opening a bound of
// its own.
void TakeProxyRoad(TransferState* shared, RequestHandles& handles) {
    if (!shared) {
        const RequestHandles direct = std::move(handles); // closed here, the request first
        return;
    }
    RequestHandles direct; // closed on return, the request first, after the lock
    CriticalSectionLock lock(shared->lock);
    direct = std::move(handles);
    shared->report.viaProxy = true;
    shared->report.error = 0;
    shared->roadTick = GetTickCount64();
}

// Opens the request on one road: Answered when its answer is the package (200), Unreached when the
// connection failed before any answer, Failed otherwise (an error page, a redirect off https, a
// failure that is not the connection's).
RoadOutcome OpenOnRoad(const char* url, DWORD road, RequestHandles& handles, DWORD noDataLimitMs,
                       TransferState* shared) {
    std::string object;
    DWORD flags = 0;
    if (!Connect(url, road, handles, noDataLimitMs, shared, &object, &flags))
        return RoadOutcome::Failed;
    if (shared) {
        shared->object = object;
        shared->flags = flags;
    }
    if (!OpenGet(shared, handles, object, flags, noDataLimitMs))
        return RoadOutcome::Failed;
    if (!SendRequest(handles.request.get(), shared)) {
        DWORD error = GetLastError();
        if (shared) {
            CriticalSectionLock lock(shared->lock);
            error = shared->report.error;
        }
        return IsConnectionError(error) ? RoadOutcome::Unreached : RoadOutcome::Failed;
    }
    // The send returned, so the GUI thread no longer closes the request: it may be read here.
    if ((flags & INTERNET_FLAG_SECURE) && !StillSecure(handles.request.get()))
        return RoadOutcome::Failed;
    return TakeFirstAnswer(handles.request.get(), shared) ? RoadOutcome::Answered : RoadOutcome::Failed;
}

} // namespace

// An error page opens like the package; only the status tells them apart.
bool TakeFirstAnswer(HINTERNET request, TransferState* shared) {
    const DWORD status = StatusOf(request);
    uint64_t announced = 0;
    const bool lengthAnnounced = QueryLength(request, &announced);
    if (shared) {
        KeepValidator(*shared, request);
        CriticalSectionLock lock(shared->lock);
        shared->report.httpStatus = status;
        shared->lengthAnnounced = lengthAnnounced;
        shared->announcedLength = announced;
    }
    return status == HttpStatusOk;
}

// The announced length as text: a package may be announced past what a DWORD holds.
bool QueryLength(HINTERNET request, uint64_t* length) {
    char text[LengthTextSize] = {};
    DWORD size = sizeof text - 1;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr) || text[0] < '0' || text[0] > '9')
        return false;
    char* end = nullptr;
    *length = std::strtoull(text, &end, 10);
    return *end == '\0' && *length != ULLONG_MAX;
}

DWORD StatusOf(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return 0;
    return status;
}

// Every wait of a request (connecting, sending, the answer, each read) ends after the limit:
// a stalled server fails the call instead of holding the worker.
void BoundWaits(HINTERNET handle, DWORD limitMs) {
    for (const DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
          INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
        DWORD value = limitMs;
        InternetSetOptionA(handle, option, &value, sizeof value);
    }
}

// Stores a handle where the GUI thread can see it (under the lock), or simply keeps it.
void Publish(TransferState* shared, InternetHandle& where, HINTERNET handle) {
    if (!shared) {
        where.reset(handle);
        return;
    }
    CriticalSectionLock lock(shared->lock);
    where.reset(handle);
}

// A blocking call on the request begins: the request to call, or null when the transfer is
// stopping (the call must not be made).
HINTERNET BeginCall(TransferState* shared, HINTERNET request) {
    if (!shared)
        return request;
    CriticalSectionLock lock(shared->lock);
    if (shared->stopping)
        return nullptr;
    shared->callInFlight = true;
    return shared->givenRequest ? shared->givenRequest : shared->handles.request.get();
}

// The call returned; false when the transfer was stopped meanwhile: the request may be closed
// and is not touched again.
bool EndCall(TransferState* shared) {
    if (!shared)
        return true;
    CriticalSectionLock lock(shared->lock);
    shared->callInFlight = false;
    return !shared->stopping;
}

void RecordFailure(TransferState& state, DWORD error) {
    CriticalSectionLock lock(state.lock);
    state.report.error = error;
}

// The answer's validator, which a resumed request names in its If-Range. A weak ETag never
// matches there, so the date stands in for it.
void KeepValidator(TransferState& state, HINTERNET request) {
    state.validatorHeader = HTTP_QUERY_ETAG;
    state.validator = HeaderText(request, HTTP_QUERY_ETAG);
    if (!state.validator.empty() && !IsWeakEntityTag(state.validator.c_str()))
        return;
    state.validatorHeader = HTTP_QUERY_LAST_MODIFIED;
    state.validator = HeaderText(request, HTTP_QUERY_LAST_MODIFIED);
}

// The request in hand is closed, outside the lock: its answer is not taken.
void DropRequest(TransferState& state) {
    InternetHandle old;
    {
        CriticalSectionLock lock(state.lock);
        old = std::move(state.handles.request);
    }
}

// The whole body is asked for when the first answer named no validator: without one nothing
// says that the rest is of the same package. Nor is it asked for in part a second time when a
// rest came from another package.
ResumeAnswer Resume(TransferState& state, ResumedBody* body) {
    uint64_t from = 0;
    {
        CriticalSectionLock lock(state.lock);
        from = state.report.received;
    }
    char headers[HeaderTextSize];
    bool ranged = FormatRangeHeaders(headers, sizeof headers, from, state.validator.c_str());
    for (;;) {
        DropRequest(state);
        if (!OpenGet(&state, state.handles, state.object, state.flags, state.noDataLimitMs))
            return ResumeAnswer::Refused;
        if (!SendRequest(state.handles.request.get(), &state, ranged ? headers : nullptr))
            return ResumeAnswer::Retry;
        body->request = state.handles.request.get();
        const ResumeAnswer answer = TakeResumeAnswer(state, body->request, ranged, from, body);
        if (answer != ResumeAnswer::Changed)
            return answer;
        ranged = false;
    }
}

bool OpenRequest(const char* url, RequestHandles& handles, DWORD noDataLimitMs, TransferState* shared) {
    const RoadOutcome direct = CheckConnection(url, shared)
                                   ? OpenOnRoad(url, INTERNET_OPEN_TYPE_DIRECT, handles, noDataLimitMs, shared)
                                   : RoadOutcome::Unreached;
    if (direct != RoadOutcome::Unreached || Stopping(shared) || !ProxyConfigured())
        return direct == RoadOutcome::Answered;
    // The direct road failed before any answer: the same request once more through the proxy the
    // system names, as the user's browser reaches the Internet.
    TakeProxyRoad(shared, handles);
    return OpenOnRoad(url, INTERNET_OPEN_TYPE_PRECONFIG, handles, noDataLimitMs, shared) == RoadOutcome::Answered;
}
