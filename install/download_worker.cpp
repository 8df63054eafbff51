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

#include "base/handles.h"
#include "install/download.h"
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
    GlobalMemory memory;     // fixed, so its pointer stays valid without a lock count
    unsigned char* blocks = nullptr;

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
    if (state.report.error == 0)
        state.report.error = error;
}

// Sends the request; its wait for connection and answer can be ended by closing the request.
bool SendRequest(HINTERNET request, TransferState* shared) {
    HINTERNET calling = BeginCall(shared, request);
    if (!calling)
        return false;
    const bool sent = HttpSendRequestA(calling, nullptr, 0, nullptr, 0) != FALSE;
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

// The worker's request, once open; null when it failed or the GUI thread gave up on it.
HINTERNET OpenOnWorker(TransferState& state) {
    const bool open = OpenRequest(state.url.c_str(), state.handles, state.noDataLimitMs, &state);
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
// A synchronous read returns only when its buffer is full, so it asks for no more than is there:
// the no-data clock then restarts with every piece that arrives, however slow the link.
bool ReadArrived(TransferState& state, HINTERNET request, unsigned char* into, DWORD room, DWORD* count) {
    DWORD available = 0;
    if (!QueryAvailable(state, request, &available))
        return false;
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

// Reads the body into the ring until its end, a failure or a stop.
void ReadAhead(TransferState& state, HINTERNET request) {
    unsigned char* into = nullptr;
    DWORD room = 0;
    while (WaitForSpace(state, &into, &room)) {
        DWORD count = 0;
        const bool read = ReadArrived(state, request, into, room, &count);
        CriticalSectionLock lock(state.lock);
        if (state.stopping)
            return;
        // A failed read ends the body too: what arrived before it is written.
        HandOver(state, count, !read || count == 0);
        state.failed = !read;
        state.ended = read && count == 0;
        WakeGui(state);
        if (state.failed || state.ended)
            return;
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
        ReadAhead(state, request);
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
    state->lastDataTick = GetTickCount64();
    if (!state->memory || !state->dataReady || !state->wakeWorker) {
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
            if (state.head != state.tail) {
                *data = BlockAt(state, state.head);
                *count = state.counts[state.head % ReadAheadBlocks];
                return TransferWait::Ready;
            }
            if (state.ended)
                return TransferWait::Ended;
            if (state.failed)
                return TransferWait::Failed;
            left = MillisecondsLeft(state.lastDataTick, state.noDataLimitMs);
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
