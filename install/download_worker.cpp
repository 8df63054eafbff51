// The package transfer's worker thread and its hand-over to the GUI thread. The worker makes
// every call that can block on the network; the GUI thread never waits for it without pumping,
// never waits for it at all once it gives up, and the worker never touches a window. A block
// changes hands under a critical section; an event is set only when the other side is known to
// sleep on it.
#include "install/download_worker.h"
#include "install/transfer_state.h"

#include <new>
#include <utility>

#include "progress/wait.h"

namespace {
void ReleaseState(TransferState* state) {
    if (state && InterlockedDecrement(&state->references) == 0)
        delete state;
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
    return CallOnRequest(&state, request,
                         [&](HINTERNET calling) { return InternetQueryDataAvailable(calling, available, 0, 0); });
}

// One read of what has arrived (at most room bytes) into the tail block and those after it.
// A synchronous read returns only when its buffer is full: asked for more than is there, it would
// hold the bytes of a link that slows to a trickle until the rest came, unseen by the no-data
// clock. So it asks for no more than the query says is there, and the clock restarts with every
// piece that arrives, however slow. (A read told not to wait is no way out: measured under Wine,
// once WinINet's own 8 KB buffer is empty it waits for its whole buffer as a plain read does.)
bool ReadArrived(TransferState& state, HINTERNET request, unsigned char* into, DWORD room, DWORD* count) {
    *count = 0;
    // The body ends where its length says, whatever more the connection carries: a 206 may run on
    // past its range.
    if (state.lengthAnnounced) {
        if (state.report.received >= state.announcedLength)
            return true;
        const uint64_t left = state.announcedLength - state.report.received;
        if (left < room)
            room = static_cast<DWORD>(left);
    }
    DWORD available = 0;
    if (!QueryAvailable(state, request, &available))
        return false;
    if (available == 0)
        return true;
    const DWORD wanted = available < room ? available : room;
    return CallOnRequest(&state, request,
                         [&](HINTERNET calling) { return InternetReadFile(calling, into, wanted, count); });
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
    state.requesting = true;
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

// Reads the body, and asks again for the rest each time it stops short.
void ReceiveBody(TransferState& state, HINTERNET request) {
    for (;;) {
        const BodyEnd end = ReadAhead(state, request);
        if (end != BodyEnd::Short)
            return;
        ResumeAnswer answer = ResumeAnswer::Refused;
        ResumedBody resumed;
        while (CanResume(state) && PauseBeforeResume(state)) {
            answer = Resume(state, &resumed);
            if (answer != ResumeAnswer::Retry)
                break;
        }
        CriticalSectionLock lock(state.lock);
        // The answer came: from here on the body's reads are timed.
        state.requesting = false;
        state.lastDataTick = GetTickCount64();
        if (answer == ResumeAnswer::Restarts)
            RestartBody(state, resumed.lengthAnnounced, resumed.length);
        else if (answer != ResumeAnswer::Continues) {
            FailBody(state);
            return;
        }
        request = resumed.request;
    }
}

DWORD WINAPI RunWorker(void* parameter) {
    TransferState& state = *static_cast<TransferState*>(parameter);
    HINTERNET request = state.givenRequest;
    if (!request) {
        request = OpenOnWorker(state);
    } else {
        TakeFirstAnswer(request, &state);
        CriticalSectionLock lock(state.lock);
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

// Under the lock: the worker is to stop, and is woken from a wait for room or from a pause.
void SignalStop(TransferState& state) {
    state.stopping = true;
    state.workerWaiting = false;
    SetEvent(state.wakeWorker.get());
    SetEvent(state.stopped.get());
}

// The GUI thread's own clock is a backstop for a worker's call that outlives its bound; it never
// ends what the bounds still allow. A read waits at most the limit; a request connects within the
// limit and then waits at most the limit for its answer. Half a limit more covers the calls made
// between them.
DWORD BackstopMs(DWORD noDataLimitMs) {
    return noDataLimitMs + noDataLimitMs / 2;
}

DWORD RequestBackstopMs(DWORD noDataLimitMs) {
    return 2 * noDataLimitMs + noDataLimitMs / 2;
}

DWORD MillisecondsLeft(ULONGLONG since, DWORD limitMs) {
    const ULONGLONG spent = GetTickCount64() - since;
    return spent >= limitMs ? 0 : static_cast<DWORD>(limitMs - spent);
}

// What the GUI thread finds now: a block, a restart, the end or a failure; otherwise TimedOut, with
// the time left before the backstop (0: it has passed) and the GUI thread marked as waiting.
TransferWait LookForBlock(TransferState& state, const unsigned char** data, DWORD* count, DWORD* left) {
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
    // The worker's calls give up at the limit and it may then resume: the GUI thread's own clock
    // is a backstop for a call that does not.
    const DWORD backstopMs =
        state.requesting ? RequestBackstopMs(state.noDataLimitMs) : BackstopMs(state.noDataLimitMs);
    *left = state.pausing ? BatchWaitMs : MillisecondsLeft(state.lastDataTick, backstopMs);
    state.guiWaiting = *left > 0;
    return TransferWait::TimedOut;
}

// When the request began on the road it is on: the proxy's road, taken later, has a bound of its own.
ULONGLONG RoadStart(TransferState& state, ULONGLONG start) {
    CriticalSectionLock lock(state.lock);
    return state.roadTick > start ? state.roadTick : start;
}

TransferWait WaitOutcomeToTransfer(WaitOutcome outcome) {
    if (outcome == WaitOutcome::Cancelled)
        return TransferWait::Cancelled;
    if (outcome == WaitOutcome::Failed)
        return TransferWait::Failed;
    return TransferWait::Ready;
}
} // namespace

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
        const DWORD left = MillisecondsLeft(RoadStart(state, start), RequestBackstopMs(state.noDataLimitMs));
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
        const TransferWait now = LookForBlock(state, data, count, &left);
        if (now != TransferWait::TimedOut || left == 0)
            return now;
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
        SignalStop(*state);
        // Closing the request ends a call waiting on it (on Windows; Wine lets the call run to its
        // time-out). Only a call in flight is ended so.
        if (state->callInFlight)
            pending = std::move(state->handles.request);
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
        SignalStop(*transfer.state);
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
