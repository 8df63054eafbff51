// The package transfer's worker thread and its hand-over to the GUI thread. The worker makes
// every call that can block on the network; the GUI thread never waits for it without pumping,
// and the worker never touches a window. A block changes hands under a critical section; an event
// is set only when the other side is known to sleep on it.
#include "install/download_worker.h"

#include <initializer_list>
#include <utility>

#include <cstdio>
#include <cstring>

#include "base/handles.h"
#include "install/download.h"
#include "progress/wait.h"

namespace {
constexpr char AgentName[] = "VaVava";
constexpr DWORD HttpStatusOk = 200;
constexpr size_t HostNameSize = 256;
constexpr size_t UrlPartSize = 2048;
constexpr size_t FinalUrlSize = 4096;
constexpr char SecureScheme[] = "https:";

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

bool AnsweredOk(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return false;
    return status == HttpStatusOk;
}

unsigned char* BlockAt(PackageTransfer& transfer, unsigned index) {
    return transfer.blocks + static_cast<size_t>(index % ReadAheadBlocks) * TransferBlockSize;
}

// Called under the lock: wakes a waiting GUI thread once a batch of blocks is ready, when the
// transfer is over, or (always) when the request has been opened.
void WakeGui(PackageTransfer& transfer, bool always = false) {
    const bool batchReady = transfer.tail - transfer.head >= WakeBatchBlocks;
    if (transfer.guiWaiting && (always || batchReady || transfer.phase != TransferPhase::Reading)) {
        transfer.guiWaiting = false;
        SetEvent(transfer.dataReady.get());
    }
}

void QueryLength(PackageTransfer& transfer, HINTERNET request) {
    DWORD length = 0;
    DWORD size = sizeof length;
    const bool announced =
        HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr) != 0;
    CriticalSectionLock lock(transfer.lock);
    transfer.lengthAnnounced = announced;
    transfer.announcedLength = length;
}

// The worker's request, once open; null when the GUI thread has closed it or it was given.
HINTERNET OpenOnWorker(PackageTransfer& transfer) {
    RequestHandles opened;
    const bool open = OpenRequest(transfer.url, opened, transfer.noDataLimitMs);
    HINTERNET request = open ? opened.request.get() : nullptr;
    if (open)
        QueryLength(transfer, request);
    CriticalSectionLock lock(transfer.lock);
    transfer.handles = std::move(opened);
    transfer.phase = open ? TransferPhase::Reading : TransferPhase::Failed;
    transfer.lastDataTick = GetTickCount64();
    WakeGui(transfer, true);
    return request;
}

// Waits for a free block; false when the transfer is stopping. Gives the first free block and
// how many free blocks follow it without wrapping round the ring.
bool WaitForSpace(PackageTransfer& transfer, unsigned* slot, DWORD* run) {
    EnterCriticalSection(&transfer.lock);
    while (!transfer.stopping && transfer.tail - transfer.head == ReadAheadBlocks) {
        transfer.workerWaiting = true;
        LeaveCriticalSection(&transfer.lock);
        WaitForSingleObject(transfer.spaceFree.get(), INFINITE);
        EnterCriticalSection(&transfer.lock);
    }
    const bool go = !transfer.stopping;
    *slot = transfer.tail;
    const DWORD free = ReadAheadBlocks - (transfer.tail - transfer.head);
    const DWORD toEnd = ReadAheadBlocks - transfer.tail % ReadAheadBlocks;
    *run = free < toEnd ? free : toEnd;
    if (*run > ReadBatchBlocks)
        *run = ReadBatchBlocks;
    LeaveCriticalSection(&transfer.lock);
    return go;
}

// Reads into as many free blocks as follow one another (up to a batch) with one call, then hands
// the data over as 4,096-byte blocks: the GUI thread sees the same blocks whatever the calls were,
// and each call costs the worker its round trips once for the batch instead of once per block.
void ReadAhead(PackageTransfer& transfer, HINTERNET request) {
    unsigned slot = 0;
    DWORD run = 0;
    while (WaitForSpace(transfer, &slot, &run)) {
        unsigned char* blocks = BlockAt(transfer, slot);
        std::memset(blocks, 0, static_cast<size_t>(run) * TransferBlockSize);
        DWORD count = 0;
        const BOOL read = InternetReadFile(request, blocks, run * TransferBlockSize, &count);
        CriticalSectionLock lock(transfer.lock);
        if (transfer.stopping)
            return;
        if (!read)
            transfer.phase = TransferPhase::Failed;
        else if (count == 0)
            transfer.phase = TransferPhase::Ended;
        else {
            for (DWORD offset = 0; offset < count; offset += TransferBlockSize) {
                const DWORD left = count - offset;
                transfer.counts[transfer.tail % ReadAheadBlocks] = left < TransferBlockSize ? left : TransferBlockSize;
                ++transfer.tail;
            }
            transfer.lastDataTick = GetTickCount64();
        }
        WakeGui(transfer);
        if (transfer.phase != TransferPhase::Reading)
            return;
    }
}

DWORD WINAPI RunWorker(void* parameter) {
    PackageTransfer& transfer = *static_cast<PackageTransfer*>(parameter);
    HINTERNET request = transfer.givenRequest;
    if (transfer.url) {
        request = OpenOnWorker(transfer);
    } else {
        QueryLength(transfer, request);
        CriticalSectionLock lock(transfer.lock);
        transfer.lastDataTick = GetTickCount64();
        transfer.phase = TransferPhase::Reading;
    }
    if (request)
        ReadAhead(transfer, request);
    // The worker's handles are closed here, after its last call has returned: a handle is never
    // closed under a call still running on it, except the request by StopTransfer.
    RequestHandles owned;
    {
        CriticalSectionLock lock(transfer.lock);
        owned = std::move(transfer.handles);
        if (transfer.phase == TransferPhase::Opening || transfer.phase == TransferPhase::Reading)
            transfer.phase = TransferPhase::Failed;
        WakeGui(transfer);
    }
    return 0;
}

DWORD MillisecondsLeft(ULONGLONG since, DWORD limitMs) {
    const ULONGLONG spent = GetTickCount64() - since;
    return spent >= limitMs ? 0 : static_cast<DWORD>(limitMs - spent);
}
} // namespace

bool OpenRequest(const char* url, RequestHandles& handles, DWORD noDataLimitMs) {
    if (!InternetCheckConnectionA(url, FLAG_ICC_FORCE_CONNECTION, 0))
        return false;
    // A direct connection: any proxy configured on the machine is ignored.
    handles.root.reset(InternetOpenA(AgentName, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!handles.root)
        return false;
    BoundWaits(handles.root.get(), noDataLimitMs);
    char host[HostNameSize] = {};
    char path[UrlPartSize] = {};
    char extra[UrlPartSize] = {};
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = sizeof extra;
    if (!InternetCrackUrlA(url, 0, 0, &parts))
        return false;
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    if (!secure && parts.nScheme != INTERNET_SCHEME_HTTP)
        return false;
    handles.connect.reset(
        InternetConnectA(handles.root.get(), host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!handles.connect)
        return false;
    char object[2 * UrlPartSize] = {};
    const int length = std::snprintf(object, sizeof object, "%s%s", path[0] ? path : "/", extra);
    if (length < 0 || static_cast<size_t>(length) >= sizeof object)
        return false;
    // Certificates are checked as the system checks them: no SECURITY_FLAG_IGNORE_* is ever set.
    const DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | (secure ? INTERNET_FLAG_SECURE : 0);
    handles.request.reset(HttpOpenRequestA(handles.connect.get(), "GET", object, nullptr, nullptr, nullptr, flags, 0));
    if (!handles.request)
        return false;
    BoundWaits(handles.request.get(), noDataLimitMs);
    if (!HttpSendRequestA(handles.request.get(), nullptr, 0, nullptr, 0))
        return false;
    if (secure && !StillSecure(handles.request.get()))
        return false;
    // An error page opens like the package; only the status tells them apart.
    return AnsweredOk(handles.request.get());
}

PackageTransfer::~PackageTransfer() {
    FinishTransfer(*this);
}

bool StartTransfer(PackageTransfer& transfer, const char* url, HINTERNET givenRequest, DWORD noDataLimitMs) {
    transfer.url = url;
    transfer.givenRequest = givenRequest;
    transfer.noDataLimitMs = noDataLimitMs;
    void* blocks = nullptr;
    transfer.memory.reset(AllocLockedBlock(static_cast<SIZE_T>(ReadAheadBlocks) * TransferBlockSize, &blocks));
    transfer.blocks = static_cast<unsigned char*>(blocks);
    transfer.dataReady.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    transfer.spaceFree.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!transfer.memory || !transfer.dataReady || !transfer.spaceFree)
        return false;
    InitializeCriticalSection(&transfer.lock);
    transfer.lockReady = true;
    transfer.lastDataTick = GetTickCount64();
    transfer.thread.reset(CreateThread(nullptr, 0, RunWorker, &transfer, 0, nullptr));
    return transfer.thread.valid();
}

TransferWait WaitForRequest(PackageTransfer& transfer) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        {
            CriticalSectionLock lock(transfer.lock);
            if (transfer.phase == TransferPhase::Failed)
                return TransferWait::Failed;
            if (transfer.phase != TransferPhase::Opening)
                return TransferWait::Ready;
            transfer.guiWaiting = true;
        }
        const DWORD left = MillisecondsLeft(start, transfer.noDataLimitMs);
        if (left == 0)
            return TransferWait::TimedOut;
        const WaitOutcome outcome = WaitPumping(transfer.dataReady.get(), left);
        if (outcome == WaitOutcome::Cancelled)
            return TransferWait::Cancelled;
        if (outcome == WaitOutcome::Failed)
            return TransferWait::Failed;
    }
}

TransferWait NextBlock(PackageTransfer& transfer, const unsigned char** data, DWORD* count) {
    for (;;) {
        DWORD left = 0;
        {
            CriticalSectionLock lock(transfer.lock);
            if (transfer.head != transfer.tail) {
                *data = BlockAt(transfer, transfer.head);
                *count = transfer.counts[transfer.head % ReadAheadBlocks];
                return TransferWait::Ready;
            }
            if (transfer.phase == TransferPhase::Ended)
                return TransferWait::Ended;
            if (transfer.phase == TransferPhase::Failed)
                return TransferWait::Failed;
            left = MillisecondsLeft(transfer.lastDataTick, transfer.noDataLimitMs);
            if (left == 0)
                return TransferWait::TimedOut;
            transfer.guiWaiting = true;
        }
        // Blocks that trickle in without making a batch are taken after a short wait.
        const WaitOutcome outcome = WaitPumping(transfer.dataReady.get(), left < BatchWaitMs ? left : BatchWaitMs);
        if (outcome == WaitOutcome::Cancelled)
            return TransferWait::Cancelled;
        if (outcome == WaitOutcome::Failed)
            return TransferWait::Failed;
    }
}

void ReleaseBlock(PackageTransfer& transfer) {
    CriticalSectionLock lock(transfer.lock);
    ++transfer.head;
    if (transfer.workerWaiting && ReadAheadBlocks - (transfer.tail - transfer.head) >= WakeBatchBlocks) {
        // The worker waited for room, not for the network: the no-data clock starts again with
        // its next read.
        transfer.workerWaiting = false;
        transfer.lastDataTick = GetTickCount64();
        SetEvent(transfer.spaceFree.get());
    }
}

void StopTransfer(PackageTransfer& transfer) {
    if (!transfer.thread)
        return;
    InternetHandle pending;
    {
        CriticalSectionLock lock(transfer.lock);
        transfer.stopping = true;
        // Closing the request ends a read waiting on it. Only a read is ended so: the worker
        // sends the request on the other handles, which stay its own until its calls return.
        if (transfer.phase == TransferPhase::Reading && transfer.url)
            pending = std::move(transfer.handles.request);
        transfer.workerWaiting = false;
        SetEvent(transfer.spaceFree.get());
    }
    // Closed here, outside the lock, as pending goes.
}

bool TransferRunning(const PackageTransfer& transfer) {
    return transfer.thread && WaitForSingleObject(transfer.thread.get(), 0) == WAIT_TIMEOUT;
}

void FinishTransfer(PackageTransfer& transfer) {
    if (transfer.thread) {
        StopTransfer(transfer);
        for (;;) {
            const WaitOutcome outcome = WaitPumping(transfer.thread.get(), INFINITE, false);
            if (outcome == WaitOutcome::Signalled)
                break;
            if (outcome == WaitOutcome::Failed) {
                WaitForSingleObject(transfer.thread.get(), INFINITE);
                break;
            }
        }
        transfer.thread.reset();
    }
    transfer.dataReady.reset();
    transfer.spaceFree.reset();
    if (transfer.lockReady) {
        DeleteCriticalSection(&transfer.lock);
        transfer.lockReady = false;
    }
    transfer.memory.reset();
    transfer.blocks = nullptr;
}

bool AnnouncedLength(PackageTransfer& transfer, DWORD* length) {
    CriticalSectionLock lock(transfer.lock);
    *length = transfer.announcedLength;
    return transfer.lengthAnnounced;
}
