// The state one package transfer's two threads share, and the request calls the worker makes on it
// (install/download_request.cpp). Internal to the download.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

#include "base/internet_handles.h"
#include "base/kernel_handles.h"
#include "install/download_worker.h"

constexpr DWORD HttpStatusOk = 200;

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
    // answer's validator: its strong ETag, else its Last-Modified (empty: none, or a weak ETag
    // alone), and which of the two it is.
    std::string object;
    DWORD flags = 0;
    std::string validator;
    DWORD validatorHeader = HTTP_QUERY_ETAG;

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
    bool pausing = false;    // before a resume: no data is expected
    bool requesting = false; // a resume's request is being made: its answer, not data, is awaited
    // The server sent the whole body again from the block at restartAt on.
    bool restartPending = false;
    unsigned restartAt = 0;
    ULONGLONG lastDataTick = 0;
    // When the request began on the road it is on: the proxy's road has a bound of its own.
    ULONGLONG roadTick = 0;
    bool lengthAnnounced = false;
    uint64_t announcedLength = 0;
    TransferReport report;
};

// Every wait WinINet bounds on the handle (connecting, sending, the answer, each read) ends after
// the limit.
void BoundWaits(HINTERNET handle, DWORD limitMs);
// Stores a handle where the GUI thread can see it (under the lock), or simply keeps it (no state).
void Publish(TransferState* shared, InternetHandle& where, HINTERNET handle);
// A blocking call on the request begins: the request to call, or null when the transfer is
// stopping (the call must not be made). Only between these two may the GUI thread close it.
HINTERNET BeginCall(TransferState* shared, HINTERNET request);
// The call returned; false when the transfer was stopped meanwhile: the request may be closed
// and is not touched again.
bool EndCall(TransferState* shared);
void RecordFailure(TransferState& state, DWORD error);
// One blocking call on the request, between BeginCall and EndCall: false when it was not made,
// was ended by a stop, or failed (its error then recorded).
template <typename Call> bool CallOnRequest(TransferState* shared, HINTERNET request, Call call) {
    HINTERNET calling = BeginCall(shared, request);
    if (!calling)
        return false;
    const bool done = call(calling) != FALSE;
    const DWORD error = done ? 0 : GetLastError();
    if (!EndCall(shared))
        return false;
    if (!done && shared)
        RecordFailure(*shared, error);
    return done;
}
// The answer's status (0: none), and its announced length, read as text: a package may be
// announced past what a DWORD holds.
DWORD StatusOf(HINTERNET request);
bool QueryLength(HINTERNET request, uint64_t* length);
// The answer's validator (its strong ETag, else its Last-Modified), which a resume names.
void KeepValidator(TransferState& state, HINTERNET request);
// Keeps the first answer's status, announced length and validator in the state (when there is
// one); true when the status is 200.
bool TakeFirstAnswer(HINTERNET request, TransferState* shared);

// How the server answered a request for the rest of a body: it continues the body, sends the
// whole of it again, gave no answer (another try may do better), or sent something else. Changed
// is a rest that names another validator, or none: not this package, which is asked for whole.
enum class ResumeAnswer { Continues, Restarts, Retry, Refused, Changed };
struct ResumedBody {
    HINTERNET request = nullptr;
    bool lengthAnnounced = false;
    uint64_t length = 0;
};
// Asks again for the rest of the body, from the bytes in hand on, on the same connection handle
// with the same request line, agent and flags; the new request takes the old one's place. A rest
// of another package is not taken: the whole package is asked for once more instead.
ResumeAnswer Resume(TransferState& state, ResumedBody* body);
