// The package transfer's worker thread and its hand-over to the GUI thread. The worker makes
// every call that can block on the network; the GUI thread never waits for it without pumping,
// never waits for it at all once it gives up, and the worker never touches a window. A block
// changes hands under a critical section; an event is set only when the other side is known to
// sleep on it.
#include "install/download_worker.h"

#include <initializer_list>
#include <new>
#include <string>
#include <utility>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/kernel_handles.h"
#include "base/internet_handles.h"
#include "install/http_range.h"
#include "progress/wait.h"

struct TransferState {
    TransferState() { InitializeCriticalSection(&lock); }
    ~TransferState() { DeleteCriticalSection(&lock); }
    TransferState(const TransferState&) = delete;
    TransferState& operator=(const TransferState&) = delete;

    // One reference for the GUI thread, one for the worker; the last to let go deletes.
    LONG references = 2;
    std::string url;                  // opened by the worker; empty when the request was given
    HINTERNET givenRequest = nullptr; // read, never closed, by the worker
    DWORD noDataLimitMs = 0;
    KernelHandle dataReady;  // wakes the GUI thread when it waits for a block or the request
    KernelHandle wakeWorker; // wakes the worker when it waits for a free block, or to stop
    KernelHandle stopped;    // set when the GUI thread lets go: ends a pause at once
    GlobalMemory memory;     // fixed, so its pointer stays valid without a lock count
    unsigned char* blocks = nullptr;
    // The worker's own: the request's object and flags, asked again on a resume, and the first
    // answer's validator (its ETag, else its Last-Modified).
    std::string object;
    DWORD flags = 0;
    std::string validator;

    CRITICAL_SECTION lock = {};
    // Everything below is guarded by the lock.
    RequestHandles handles;
    // The worker is inside a blocking call on the request: only then may the GUI thread close the
    // request to end it. Between calls a closed handle's value could be given to a new handle.
    bool callInFlight = false;
    bool stopping = false;
    bool opened = false; // the request is open and its body is being read
    bool ended = false;  // the whole body arrived
    bool failed = false;
    DWORD counts[ReadAheadBlocks] = {};
    unsigned head = 0;  // the next block the GUI thread takes
    unsigned tail = 0;  // the block the worker fills; it is handed over once full
    DWORD tailFill = 0; // bytes already in the tail block
    bool guiWaiting = false;
    bool workerWaiting = false;
    bool pausing = false; // before a resume: no data is expected
    // The server sent the whole body again from the block at restartAt on.
    bool restartPending = false;
    unsigned restartAt = 0;
    ULONGLONG lastDataTick = 0;
    bool lengthAnnounced = false;
    uint64_t announcedLength = 0;
    TransferReport report;
};

namespace {
constexpr char AgentName[] = "VaVava";
constexpr DWORD HttpStatusOk = 200;
constexpr size_t HostNameSize = 256;
constexpr size_t UrlPartSize = 2048;
constexpr size_t FinalUrlSize = 4096;
constexpr size_t LengthTextSize = 32;
constexpr size_t HeaderTextSize = 512;
constexpr DWORD HttpStatusPartial = 206;
constexpr DWORD FastLinkBytes = 2 * TransferBlockSize;
constexpr char SecureScheme[] = "https:";
// A new request is sent again by the server, never answered from a cache.
constexpr DWORD RequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD;

void ReleaseState(TransferState* state) {
    if (state && InterlockedDecrement(&state->references) == 0)
        delete state;
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

// A request that began on https must still be on https after the redirects it followed.
bool StillSecure(HINTERNET request) {
    char finalUrl[FinalUrlSize] = {};
    DWORD size = sizeof finalUrl;
    if (!InternetQueryOptionA(request, INTERNET_OPTION_URL, finalUrl, &size))
        return false;
    return _strnicmp(finalUrl, SecureScheme, sizeof SecureScheme - 1) == 0;
}

DWORD StatusOf(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return 0;
    return status;
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

// A response header as text; empty when the answer has none.
std::string HeaderText(HINTERNET request, DWORD header) {
    char text[HeaderTextSize] = {};
    DWORD size = sizeof text - 1;
    if (!HttpQueryInfoA(request, header, text, &size, nullptr))
        return {};
    return text;
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

// Sends the request; its wait for connection and answer can be ended by closing the request.
bool SendRequest(HINTERNET request, TransferState* shared, const char* headers = nullptr) {
    HINTERNET calling = BeginCall(shared, request);
    if (!calling)
        return false;
    const DWORD headersLength = headers ? static_cast<DWORD>(std::strlen(headers)) : 0;
    const bool sent = HttpSendRequestA(calling, headers, headersLength, nullptr, 0) != FALSE;
    const DWORD error = sent ? 0 : GetLastError();
    if (!EndCall(shared))
        return false;
    if (!sent && shared)
        RecordFailure(*shared, error);
    return sent;
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

BOOL CheckConnection(const char* url, TransferState* shared) {
    const BOOL reachable = InternetCheckConnectionA(url, FLAG_ICC_FORCE_CONNECTION, 0);
    if (!reachable && shared)
        RecordFailure(*shared, GetLastError());
    return reachable;
}

unsigned char* BlockAt(TransferState& state, unsigned index) {
    return state.blocks + static_cast<size_t>(index % ReadAheadBlocks) * TransferBlockSize;
}

// Called under the lock: wakes a waiting GUI thread once a batch of blocks is ready, when the
// transfer is over, or (always) when the request has been opened.
void WakeGui(TransferState& state, bool always = false) {
    const bool batchReady = state.tail - state.head >= WakeBatchBlocks;
    if (state.guiWaiting && (always || batchReady || state.ended || state.failed)) {
        state.guiWaiting = false;
        SetEvent(state.dataReady.get());
    }
}

// The first answer's validator, which a resumed request names in its If-Range.
void KeepValidator(TransferState& state, HINTERNET request) {
    state.validator = HeaderText(request, HTTP_QUERY_ETAG);
    if (state.validator.empty())
        state.validator = HeaderText(request, HTTP_QUERY_LAST_MODIFIED);
}

// The worker's request, once open; null when it failed or the GUI thread gave up on it.
HINTERNET OpenOnWorker(TransferState& state) {
    const bool open = OpenRequest(state.url.c_str(), state.handles, state.noDataLimitMs, &state);
    if (open)
        KeepValidator(state, state.handles.request.get());
    CriticalSectionLock lock(state.lock);
    HINTERNET request = open && !state.stopping ? state.handles.request.get() : nullptr;
    state.opened = request != nullptr;
    state.failed = !state.opened;
    state.lastDataTick = GetTickCount64();
    WakeGui(state, true);
    return request;
}

// Waits for room in the ring; false when the transfer is stopping. Gives where the next bytes go
// (after the tail block's fill) and how many fit there and in the free blocks that follow it
// without wrapping round the ring.
bool WaitForSpace(TransferState& state, unsigned char** into, DWORD* room) {
    EnterCriticalSection(&state.lock);
    while (!state.stopping && state.tail - state.head == ReadAheadBlocks) {
        state.workerWaiting = true;
        LeaveCriticalSection(&state.lock);
        WaitForSingleObject(state.wakeWorker.get(), INFINITE);
        EnterCriticalSection(&state.lock);
    }
    const bool go = !state.stopping;
    const DWORD free = ReadAheadBlocks - (state.tail - state.head);
    const DWORD toEnd = ReadAheadBlocks - state.tail % ReadAheadBlocks;
    DWORD run = free < toEnd ? free : toEnd;
    if (run > ReadBatchBlocks)
        run = ReadBatchBlocks;
    *room = run * TransferBlockSize - state.tailFill;
    *into = BlockAt(state, state.tail) + state.tailFill;
    LeaveCriticalSection(&state.lock);
    return go;
}

// Called under the lock: count more bytes landed after the tail block's fill; every block they
// fill is handed over, the rest stays in the new tail block. With atEnd the body is over and a
// partial block is handed over too.
void HandOver(TransferState& state, DWORD count, bool atEnd) {
    state.tailFill += count;
    state.report.received += count;
    while (state.tailFill >= TransferBlockSize || (atEnd && state.tailFill > 0)) {
        const DWORD size = state.tailFill < TransferBlockSize ? state.tailFill : TransferBlockSize;
        state.counts[state.tail % ReadAheadBlocks] = size;
        ++state.tail;
        state.tailFill -= size;
    }
    if (count > 0)
        state.lastDataTick = GetTickCount64();
}

// How much can be read without waiting for more; waits (within the receive time-out) while
// nothing has arrived. 0 with true: the body is over.
bool QueryAvailable(TransferState& state, HINTERNET request, DWORD* available) {
    HINTERNET calling = BeginCall(&state, request);
    if (!calling)
        return false;
    const bool queried = InternetQueryDataAvailable(calling, available, 0, 0) != FALSE;
    const DWORD error = queried ? 0 : GetLastError();
    if (!EndCall(&state))
        return false;
    if (!queried)
        RecordFailure(state, error);
    return queried;
}

// One read of what has arrived (at most room bytes) into the tail block and those after it.
// A synchronous read returns only when its buffer is full, so on a slow link it asks for no more
// than is there: the no-data clock then restarts with every piece that arrives, however slow.
bool ReadArrived(TransferState& state, HINTERNET request, unsigned char* into, DWORD room, DWORD* count) {
    DWORD available = 0;
    if (!QueryAvailable(state, request, &available))
        return false;
    // A link that outpaces the reads keeps WinINet's buffer full: the read then takes the whole
    // run, which arrives at once, instead of one buffer (8 KB under Wine) per pair of calls.
    if (available >= FastLinkBytes)
        available = room;
    *count = 0;
    if (available == 0)
        return true;
    HINTERNET calling = BeginCall(&state, request);
    if (!calling)
        return false;
    const bool read = InternetReadFile(calling, into, available < room ? available : room, count) != FALSE;
    const DWORD error = read ? 0 : GetLastError();
    if (!EndCall(&state))
        return false;
    if (!read)
        RecordFailure(state, error);
    return read;
}

enum class BodyEnd { Complete, Short, Stopped };

// Reads the body into the ring until it stops: Complete when nothing says it is short (no
// length was announced, or all of it came), Short when a read failed or the body ended before
// its announced length.
BodyEnd ReadAhead(TransferState& state, HINTERNET request) {
    unsigned char* into = nullptr;
    DWORD room = 0;
    while (WaitForSpace(state, &into, &room)) {
        DWORD count = 0;
        const bool read = ReadArrived(state, request, into, room, &count);
        CriticalSectionLock lock(state.lock);
        if (state.stopping)
            return BodyEnd::Stopped;
        // A read that fails (a reset, a time-out) still counts the bytes it placed.
        const DWORD placed = count <= room ? count : 0;
        HandOver(state, placed, false);
        if (read && placed > 0) {
            WakeGui(state);
            continue;
        }
        if (read && (!state.lengthAnnounced || state.report.received >= state.announcedLength)) {
            HandOver(state, 0, true);
            state.ended = true;
            WakeGui(state);
            return BodyEnd::Complete;
        }
        // A connection closed cleanly before the announced length looks like the end of the data.
        if (read)
            state.report.error = ERROR_INTERNET_CONNECTION_ABORTED;
        return BodyEnd::Short;
    }
    return BodyEnd::Stopped;
}

// Under the lock: the body is over without all of it; what arrived is handed over.
void FailBody(TransferState& state) {
    HandOver(state, 0, true);
    state.failed = true;
    WakeGui(state);
}

// A short body may be asked for again: only when its length was announced (without one nothing
// says it was cut), by the worker that opened it, and not more often than MaxResumes.
bool CanResume(TransferState& state) {
    CriticalSectionLock lock(state.lock);
    return !state.stopping && !state.url.empty() && state.lengthAnnounced &&
           state.report.received < state.announcedLength && state.report.resumes < MaxResumes;
}

// The pause before a resume, which a stop ends at once; false when the transfer is stopping.
bool PauseBeforeResume(TransferState& state) {
    DWORD pauseMs = 0;
    {
        CriticalSectionLock lock(state.lock);
        state.pausing = true;
        pauseMs = FirstResumePauseMs << state.report.resumes;
    }
    WaitForSingleObject(state.stopped.get(), pauseMs);
    CriticalSectionLock lock(state.lock);
    state.pausing = false;
    ++state.report.resumes;
    state.lastDataTick = GetTickCount64();
    return !state.stopping;
}

// Under the lock: the server sends the whole body again. The bytes not yet handed over are
// dropped, and the GUI thread is told to begin the file again at the blocks that follow.
void RestartBody(TransferState& state, bool lengthAnnounced, uint64_t length) {
    state.tailFill = 0;
    state.report.received = 0;
    state.restartPending = true;
    state.restartAt = state.tail;
    state.lengthAnnounced = lengthAnnounced;
    state.announcedLength = length;
    WakeGui(state, true);
}

enum class ResumeAnswer { Continues, Retry, Refused };

// How the server answered a resumed request: 206 from exactly where the body stopped and of the
// same total continues it, 200 sends the whole of it again; anything else is not this package.
ResumeAnswer TakeResumeAnswer(TransferState& state, HINTERNET request, bool ranged, uint64_t from) {
    if ((state.flags & INTERNET_FLAG_SECURE) && !StillSecure(request))
        return ResumeAnswer::Refused;
    const DWORD status = StatusOf(request);
    uint64_t length = 0;
    const bool lengthAnnounced = QueryLength(request, &length);
    ContentRange range;
    const bool continues = ranged && status == HttpStatusPartial &&
                           ParseContentRange(HeaderText(request, HTTP_QUERY_CONTENT_RANGE).c_str(), &range);
    if (status == HttpStatusOk)
        KeepValidator(state, request);
    CriticalSectionLock lock(state.lock);
    state.report.httpStatus = status;
    if (continues && range.first == from && range.total == state.announcedLength && range.last == range.total - 1)
        return ResumeAnswer::Continues;
    if (status != HttpStatusOk)
        return ResumeAnswer::Refused;
    RestartBody(state, lengthAnnounced, length);
    return ResumeAnswer::Continues;
}

// Asks again for the rest of the body (the whole of it when the first answer named no
// validator) with the same request line, agent and flags. The new request takes the old one's
// place, published as the first was.
ResumeAnswer Resume(TransferState& state, HINTERNET* request) {
    uint64_t from = 0;
    InternetHandle old;
    {
        CriticalSectionLock lock(state.lock);
        from = state.report.received;
        old = std::move(state.handles.request);
    }
    old.reset();
    char headers[HeaderTextSize];
    const bool ranged = FormatRangeHeaders(headers, sizeof headers, from, state.validator.c_str());
    Publish(&state, state.handles.request,
            HttpOpenRequestA(state.handles.connect.get(), "GET", state.object.c_str(), nullptr, nullptr, nullptr,
                             state.flags, 0));
    if (!state.handles.request)
        return ResumeAnswer::Refused;
    BoundWaits(state.handles.request.get(), state.noDataLimitMs);
    if (!SendRequest(state.handles.request.get(), &state, ranged ? headers : nullptr))
        return ResumeAnswer::Retry;
    *request = state.handles.request.get();
    return TakeResumeAnswer(state, *request, ranged, from);
}

// Reads the body, and asks again for the rest each time it stops short.
void ReceiveBody(TransferState& state, HINTERNET request) {
    for (;;) {
        const BodyEnd end = ReadAhead(state, request);
        if (end != BodyEnd::Short)
            return;
        ResumeAnswer answer = ResumeAnswer::Refused;
        while (CanResume(state) && PauseBeforeResume(state)) {
            answer = Resume(state, &request);
            if (answer != ResumeAnswer::Retry)
                break;
        }
        if (answer != ResumeAnswer::Continues) {
            CriticalSectionLock lock(state.lock);
            FailBody(state);
            return;
        }
    }
}

DWORD WINAPI RunWorker(void* parameter) {
    TransferState& state = *static_cast<TransferState*>(parameter);
    HINTERNET request = state.givenRequest;
    if (!request) {
        request = OpenOnWorker(state);
    } else {
        CriticalSectionLock lock(state.lock);
        state.report.httpStatus = StatusOf(request);
        state.lengthAnnounced = QueryLength(request, &state.announcedLength);
        state.opened = true;
        state.lastDataTick = GetTickCount64();
    }
    if (request)
        ReceiveBody(state, request);
    // The worker's handles are closed here, after its last call has returned: a handle is never
    // closed under a call still running on it, except the request by AbandonTransfer.
    {
        RequestHandles owned;
        {
            CriticalSectionLock lock(state.lock);
            owned = std::move(state.handles);
            if (!state.ended)
                state.failed = true;
            WakeGui(state, true);
        }
    }
    ReleaseState(&state);
    return 0;
}

DWORD BackstopMs(DWORD noDataLimitMs) {
    return noDataLimitMs + noDataLimitMs / 2;
}

DWORD MillisecondsLeft(ULONGLONG since, DWORD limitMs) {
    const ULONGLONG spent = GetTickCount64() - since;
    return spent >= limitMs ? 0 : static_cast<DWORD>(limitMs - spent);
}

TransferWait WaitOutcomeToTransfer(WaitOutcome outcome) {
    if (outcome == WaitOutcome::Cancelled)
        return TransferWait::Cancelled;
    if (outcome == WaitOutcome::Failed)
        return TransferWait::Failed;
    return TransferWait::Ready;
}
} // namespace

bool OpenRequest(const char* url, RequestHandles& handles, DWORD noDataLimitMs, TransferState* shared) {
    if (!CheckConnection(url, shared))
        return false;
    // A direct connection: any proxy configured on the machine is ignored.
    Publish(shared, handles.root, InternetOpenA(AgentName, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
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
    if (!handles.connect)
        return false;
    char object[2 * UrlPartSize] = {};
    const int length = std::snprintf(object, sizeof object, "%s%s", path[0] ? path : "/", extra);
    if (length < 0 || static_cast<size_t>(length) >= sizeof object)
        return false;
    // Certificates are checked as the system checks them: no SECURITY_FLAG_IGNORE_* is ever set.
    const DWORD flags = RequestFlags | (secure ? INTERNET_FLAG_SECURE : 0);
    if (shared) {
        shared->object = object;
        shared->flags = flags;
    }
    Publish(shared, handles.request,
            HttpOpenRequestA(handles.connect.get(), "GET", object, nullptr, nullptr, nullptr, flags, 0));
    if (!handles.request)
        return false;
    BoundWaits(handles.request.get(), noDataLimitMs);
    if (!SendRequest(handles.request.get(), shared))
        return false;
    // The send returned, so the GUI thread no longer closes the request: it may be read here.
    if (secure && !StillSecure(handles.request.get()))
        return false;
    // An error page opens like the package; only the status tells them apart.
    const DWORD status = StatusOf(handles.request.get());
    uint64_t announced = 0;
    const bool lengthAnnounced = QueryLength(handles.request.get(), &announced);
    if (shared) {
        CriticalSectionLock lock(shared->lock);
        shared->report.httpStatus = status;
        shared->lengthAnnounced = lengthAnnounced;
        shared->announcedLength = announced;
    }
    return status == HttpStatusOk;
}

PackageTransfer::~PackageTransfer() {
    AbandonTransfer(*this);
}

bool StartTransfer(PackageTransfer& transfer, const char* url, HINTERNET givenRequest, DWORD noDataLimitMs) {
    AbandonTransfer(transfer);
    auto* state = new (std::nothrow) TransferState;
    if (!state)
        return false;
    state->givenRequest = url ? nullptr : givenRequest;
    state->url = url ? url : "";
    state->noDataLimitMs = noDataLimitMs;
    void* blocks = nullptr;
    state->memory.reset(AllocLockedBlock(static_cast<SIZE_T>(ReadAheadBlocks) * TransferBlockSize, &blocks));
    state->blocks = static_cast<unsigned char*>(blocks);
    state->dataReady.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    state->wakeWorker.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    state->stopped.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    state->lastDataTick = GetTickCount64();
    if (!state->memory || !state->dataReady || !state->wakeWorker || !state->stopped) {
        delete state;
        return false;
    }
    transfer.thread.reset(CreateThread(nullptr, 0, RunWorker, state, 0, nullptr));
    if (!transfer.thread) {
        delete state;
        return false;
    }
    transfer.state = state;
    return true;
}

TransferWait WaitForRequest(PackageTransfer& transfer) {
    TransferState& state = *transfer.state;
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        {
            CriticalSectionLock lock(state.lock);
            if (state.opened)
                return TransferWait::Ready;
            if (state.failed)
                return TransferWait::Failed;
            state.guiWaiting = true;
        }
        const DWORD left = MillisecondsLeft(start, state.noDataLimitMs);
        if (left == 0)
            return TransferWait::TimedOut;
        const TransferWait outcome = WaitOutcomeToTransfer(WaitPumping(state.dataReady.get(), left));
        if (outcome != TransferWait::Ready)
            return outcome;
    }
}

TransferWait NextBlock(PackageTransfer& transfer, const unsigned char** data, DWORD* count) {
    TransferState& state = *transfer.state;
    for (;;) {
        DWORD left = 0;
        {
            CriticalSectionLock lock(state.lock);
            if (state.restartPending && state.head == state.restartAt) {
                state.restartPending = false;
                return TransferWait::Restarted;
            }
            if (state.head != state.tail) {
                *data = BlockAt(state, state.head);
                *count = state.counts[state.head % ReadAheadBlocks];
                return TransferWait::Ready;
            }
            if (state.ended)
                return TransferWait::Ended;
            if (state.failed)
                return TransferWait::Failed;
            // The worker's calls give up at the limit and it may then resume: the GUI thread's
            // own clock is a backstop for a call that does not.
            left = state.pausing ? BatchWaitMs : MillisecondsLeft(state.lastDataTick, BackstopMs(state.noDataLimitMs));
            if (left == 0)
                return TransferWait::TimedOut;
            state.guiWaiting = true;
        }
        // Blocks that trickle in without making a batch are taken after a short wait.
        const TransferWait outcome =
            WaitOutcomeToTransfer(WaitPumping(state.dataReady.get(), left < BatchWaitMs ? left : BatchWaitMs));
        if (outcome != TransferWait::Ready)
            return outcome;
    }
}

void ReleaseBlock(PackageTransfer& transfer) {
    TransferState& state = *transfer.state;
    CriticalSectionLock lock(state.lock);
    ++state.head;
    if (state.workerWaiting && ReadAheadBlocks - (state.tail - state.head) >= WakeBatchBlocks) {
        // The worker waited for room, not for the network: the no-data clock starts again with
        // its next read.
        state.workerWaiting = false;
        state.lastDataTick = GetTickCount64();
        SetEvent(state.wakeWorker.get());
    }
}

void AbandonTransfer(PackageTransfer& transfer) {
    TransferState* state = transfer.state;
    if (!state)
        return;
    InternetHandle pending;
    {
        CriticalSectionLock lock(state->lock);
        state->stopping = true;
        // Closing the request ends a call waiting on it (on Windows; Wine lets the call run to its
        // time-out). Only a call in flight is ended so.
        if (state->callInFlight)
            pending = std::move(state->handles.request);
        state->workerWaiting = false;
        SetEvent(state->wakeWorker.get());
        SetEvent(state->stopped.get());
    }
    pending.reset();
    transfer.thread.reset();
    transfer.state = nullptr;
    ReleaseState(state);
}

void FinishTransfer(PackageTransfer& transfer) {
    if (!transfer.state)
        return;
    {
        CriticalSectionLock lock(transfer.state->lock);
        transfer.state->stopping = true;
        SetEvent(transfer.state->wakeWorker.get());
        SetEvent(transfer.state->stopped.get());
    }
    for (;;) {
        const WaitOutcome outcome = WaitPumping(transfer.thread.get(), INFINITE, false);
        if (outcome == WaitOutcome::Signalled)
            break;
        if (outcome == WaitOutcome::Failed) {
            WaitForSingleObject(transfer.thread.get(), INFINITE);
            break;
        }
    }
    AbandonTransfer(transfer);
}

bool AnnouncedLength(const PackageTransfer& transfer, uint64_t* length) {
    CriticalSectionLock lock(transfer.state->lock);
    *length = transfer.state->announcedLength;
    return transfer.state->lengthAnnounced;
}

TransferReport ReportOf(const PackageTransfer& transfer) {
    if (!transfer.state)
        return {};
    CriticalSectionLock lock(transfer.state->lock);
    return transfer.state->report;
}

HGLOBAL AllocLockedBlock(SIZE_T size, void** block) {
    *block = nullptr;
    HGLOBAL memory = GlobalAlloc(GMEM_FIXED, size);
    if (!memory)
        return nullptr;
    void* locked = GlobalLock(memory);
    if (!locked) {
        GlobalFree(memory);
        return nullptr;
    }
    *block = locked;
    return memory;
}
