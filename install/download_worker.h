// The package transfer's network side: one worker thread makes every blocking internet call (the
// connection check, the request, the reads) and reads ahead into a bounded ring of 4,096-byte
// blocks, which the GUI thread takes one by one while it keeps pumping messages.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "base/handles.h"

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

// The handles of one request, each stored as soon as it exists: the root, the connection to the
// server and the request on it. They are closed in the reverse order, the request first.
struct RequestHandles {
    InternetHandle root;
    InternetHandle connect;
    InternetHandle request;
};

// Checks the connection, opens url and sends the request, with every wait bounded by
// noDataLimitMs. True when the server answered 200 without a redirect from https to http.
bool OpenRequest(const char* url, RequestHandles& handles, DWORD noDataLimitMs);

enum class TransferPhase { Opening, Reading, Ended, Failed };
enum class TransferWait { Ready, Ended, Failed, TimedOut, Cancelled };

// One transfer, shared by the GUI thread and its worker. Everything below the lock is guarded by it.
struct PackageTransfer {
    PackageTransfer() = default;
    ~PackageTransfer();
    PackageTransfer(const PackageTransfer&) = delete;
    PackageTransfer& operator=(const PackageTransfer&) = delete;

    const char* url = nullptr;        // opened by the worker; null when the request was given
    HINTERNET givenRequest = nullptr; // read, never closed, by the worker
    DWORD noDataLimitMs = 0;
    KernelHandle thread;
    KernelHandle dataReady; // wakes the GUI thread when it waits for a block or the request
    KernelHandle spaceFree; // wakes the worker when it waits for a free block
    GlobalMemory memory;    // fixed, so its pointer stays valid without a lock count
    unsigned char* blocks = nullptr;
    bool lockReady = false;

    CRITICAL_SECTION lock = {};
    RequestHandles handles;
    TransferPhase phase = TransferPhase::Opening;
    DWORD counts[ReadAheadBlocks] = {};
    unsigned head = 0; // the next block the GUI thread takes
    unsigned tail = 0; // the next block the worker fills
    bool stopping = false;
    bool guiWaiting = false;
    bool workerWaiting = false;
    ULONGLONG lastDataTick = 0;
    bool lengthAnnounced = false;
    DWORD announcedLength = 0;
};

// Starts the worker: it opens url (or reads givenRequest when url is null). False when the
// worker could not be had; nothing runs then.
bool StartTransfer(PackageTransfer& transfer, const char* url, HINTERNET givenRequest, DWORD noDataLimitMs);
// Waits, pumping, until the request is open (Ready), failed, or no answer came within the limit.
TransferWait WaitForRequest(PackageTransfer& transfer);
// Waits, pumping, for the next block; on Ready, data and count describe it until ReleaseBlock.
TransferWait NextBlock(PackageTransfer& transfer, const unsigned char** data, DWORD* count);
void ReleaseBlock(PackageTransfer& transfer);
// Asks the worker to stop and ends a pending read by closing the request the worker opened.
void StopTransfer(PackageTransfer& transfer);
// True while the worker has not ended.
bool TransferRunning(const PackageTransfer& transfer);
// Stops the worker, waits for it (pumping, deaf to Cancel) and releases everything. Every wait of
// the worker is bounded by the no-data limit, so this ends.
void FinishTransfer(PackageTransfer& transfer);
// The body's announced length, when the server announced one.
bool AnnouncedLength(PackageTransfer& transfer, DWORD* length);
