// The package transfer's network side: one worker thread makes every blocking internet call (the
// connection check, the request, the reads) and reads ahead into a bounded ring of 4,096-byte
// blocks, which the GUI thread takes one by one while it keeps pumping messages. The GUI thread
// never waits for the worker: when it gives up it lets go, and the worker ends on its own.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>

#include "base/kernel_handles.h"
#include "base/internet_handles.h"

constexpr DWORD TransferBlockSize = 4096;
// Blocks the worker may read ahead of the GUI thread.
constexpr DWORD ReadAheadBlocks = 32;
// A side that sleeps is woken only for this many blocks at once (or for the end of the data):
// one wake-up per block would cost two Wine server round trips and two thread switches per block.
constexpr DWORD WakeBatchBlocks = ReadAheadBlocks / 2;
// The worker reads up to this many blocks with one InternetReadFile call.
constexpr DWORD ReadBatchBlocks = 16;
// A GUI thread that waits for a batch looks at what arrived meanwhile at least this often.
constexpr DWORD BatchWaitMs = 15;
// A body that stops before its announced length is asked for again, from where it stopped, at
// most this many times, after a pause of 1 s, then 2 s, then 4 s.
constexpr unsigned MaxResumes = 3;
constexpr DWORD FirstResumePauseMs = 1000;

// The handles of one request, each stored as soon as it exists: the root, the connection to the
// server and the request on it. They are closed in the reverse order, the request first.
struct RequestHandles {
    InternetHandle root;
    InternetHandle connect;
    InternetHandle request;
};

// A new fixed block with its locked pointer stored through block; null when it cannot be had.
HGLOBAL AllocLockedBlock(SIZE_T size, void** block);

// The state one transfer's two threads share; it lives until both have let go of it.
struct TransferState;

// Checks the connection, opens url and sends the request, with every wait WinINet bounds limited
// by noDataLimitMs. True when the server answered 200 without a redirect from https to http.
// With a shared state, each handle is published there as soon as it exists and the send can be
// ended from the GUI thread; without one (null) the caller owns everything.
bool OpenRequest(const char* url, RequestHandles& handles, DWORD noDataLimitMs, TransferState* shared = nullptr);

// Restarted: the server sent the whole body again; what the blocks before said is void, and the
// next block is the body's first.
enum class TransferWait { Ready, Restarted, Ended, Failed, TimedOut, Cancelled };

// Why a transfer failed, as far as the worker saw it.
struct TransferReport {
    DWORD error = 0;       // GetLastError of the call that failed (0: none failed)
    DWORD httpStatus = 0;  // the server's last status (0: no answer)
    uint64_t received = 0; // bytes of the package in hand, in order
    unsigned resumes = 0;
    bool viaProxy = false; // the direct road failed before any answer; the system's proxy was taken
};

// The GUI thread's hold on one transfer. Letting go (AbandonTransfer, or the destructor) never
// waits for the worker: the worker holds its own reference to the state, the ring and the handles.
struct PackageTransfer {
    PackageTransfer() = default;
    ~PackageTransfer();
    PackageTransfer(const PackageTransfer&) = delete;
    PackageTransfer& operator=(const PackageTransfer&) = delete;

    TransferState* state = nullptr;
    KernelHandle thread;
};

// Starts the worker: it opens url (or reads givenRequest, which it never closes, when url is
// null). False when the worker could not be had; nothing runs then.
bool StartTransfer(PackageTransfer& transfer, const char* url, HINTERNET givenRequest, DWORD noDataLimitMs);
// Waits, pumping, until the request is open (Ready), failed, or no answer came within the bounds of
// its calls (the connection and the answer, each within the limit) and half a limit more.
TransferWait WaitForRequest(PackageTransfer& transfer);
// Waits, pumping, for the next block; on Ready, data and count describe it until ReleaseBlock.
// Blocks are 4,096 bytes, the last one of the body shorter. While the worker pauses before a
// resume nothing times out; otherwise, past half as long again as the no-data limit without
// data (the worker's own calls give up at the limit), the transfer has TimedOut.
TransferWait NextBlock(PackageTransfer& transfer, const unsigned char** data, DWORD* count);
void ReleaseBlock(PackageTransfer& transfer);
// Tells the worker to stop, ends the blocking call it is in (closing its request), and lets go
// of the transfer at once.
void AbandonTransfer(PackageTransfer& transfer);
// Stops the worker and waits for it (pumping, deaf to Cancel): for a given request, which its
// owner closes afterwards. Every call the worker makes on it is bounded by its time-outs.
void FinishTransfer(PackageTransfer& transfer);
// The body's announced length, when the server announced one.
bool AnnouncedLength(const PackageTransfer& transfer, uint64_t* length);
TransferReport ReportOf(const PackageTransfer& transfer);
