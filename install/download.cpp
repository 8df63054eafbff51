// The package download: one HTTP(S) request made by a worker thread, the body written block by
// block into the installation folder under the wait dialog, then the unpacking and the package's
// deletion. The GUI thread never blocks on the network: it pumps while it waits for the worker.
#include "install/download.h"

#include <cinttypes>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/globals.h"
#include "base/kernel_handles.h"
#include "base/setup_log.h"
#include "base/com_handles.h"
#include "install/download_internal.h"
#include "install/download_worker.h"
#include "install/extract.h"
#include "install/failure_trail.h"
#include "install/package_keys.h"
#include "install/package_digest.h"
#include "install/signed_digest.h"
#include "install/unzip.h"
#include "install/zip_reader.h"
#include "package_url.h"
#include "progress/wait.h"

char PackagePath[PackagePathSize] = {};

namespace {
constexpr char PackageName[] = "LD46DEMO.zip";
constexpr int WidePathSize = 256;
// No data for this long, on the request or on any read, fails the download.
constexpr DWORD NoDataLimitMs = LUDRA_NO_DATA_LIMIT_MS;
// While a package is written, the free space of its volume is looked at after every stretch.
constexpr uint64_t FreeSpaceCheckBytes = 1ull << 20;

constexpr char DownloadingText[] = "Attenzione! Download in corso ....";
constexpr char CompletedText[] = "Download completato. Attendere fine installazione ....";
constexpr char FailureText[] = "Attenzione! Connessione Internet non disponibile, download fallito.";
constexpr UINT FailureStyle = MB_SYSTEMMODAL | MB_ICONEXCLAMATION;

// Not clamped to 100: a body longer than expected shows more, as far as an int goes.
int Percentage(uint64_t received, DWORD expectedSize) {
    if (expectedSize == 0)
        return 0;
    const double percent = static_cast<double>(received) * 100.0 / expectedSize;
    return percent < static_cast<double>(INT_MAX) ? static_cast<int>(percent) : INT_MAX;
}

// The package file as it is written: never past the package limit, and never into the reserve
// of the folder's volume, which the unpacking needs and every other program of the user too.
struct PackageWriter {
    HANDLE file = INVALID_HANDLE_VALUE;
    const char* folder = nullptr;
    uint64_t limit = PackageSizeLimit;
    uint64_t total = 0;
    uint64_t nextCheck = 0;
    DWORD error = 0;                // why the writing stopped, for the trail
    bool refused = false;           // too large for the limit or the disk: the file is no package
    SignedDigest* digest = nullptr; // the package's digest, taken as it is written (null: none)
};

bool Refuse(PackageWriter& writer, DWORD error) {
    writer.error = error;
    writer.refused = true;
    return false;
}

uint64_t FreeBytesOf(const char* folder) {
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExA(folder, &available, nullptr, nullptr))
        return UINT64_MAX;
    return available.QuadPart;
}

// Room for `bytes` more after what is written: within the limit, and leaving the reserve free.
bool RoomFor(PackageWriter& writer, uint64_t bytes) {
    if (bytes > writer.limit - writer.total)
        return Refuse(writer, ERROR_FILE_TOO_LARGE);
    const uint64_t free = FreeBytesOf(writer.folder);
    if (free < FreeSpaceReserve || free - FreeSpaceReserve < bytes)
        return Refuse(writer, ERROR_DISK_FULL);
    return true;
}

bool WriteBlock(PackageWriter& writer, const unsigned char* block, DWORD count) {
    if (count > writer.limit - writer.total)
        return Refuse(writer, ERROR_FILE_TOO_LARGE);
    // The free space is asked once per stretch: a query per block would cost more than the write.
    if (writer.total + count > writer.nextCheck) {
        if (!RoomFor(writer, FreeSpaceCheckBytes))
            return false;
        writer.nextCheck = writer.total + FreeSpaceCheckBytes;
    }
    DWORD written = 0;
    if (!WriteFile(writer.file, block, count, &written, nullptr) || written != count) {
        writer.error = GetLastError();
        return false;
    }
    writer.total += count;
    // A digest that failed fails the signature's check at the end.
    if (writer.digest)
        writer.digest->Add(block, count);
    return true;
}

// The server sends the whole package again: the file starts again, empty, and is weighed again.
bool BeginAgain(PackageWriter& writer, const PackageTransfer& transfer) {
    if (SetFilePointer(writer.file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER || !SetEndOfFile(writer.file)) {
        writer.error = GetLastError();
        return false;
    }
    writer.total = 0;
    writer.nextCheck = 0;
    if (writer.digest)
        writer.digest->Begin();
    uint64_t announced = 0;
    return !AnnouncedLength(transfer, &announced) || RoomFor(writer, announced);
}

DWORD WaitError(TransferWait wait) {
    switch (wait) {
    case TransferWait::Cancelled: return ERROR_CANCELLED;
    case TransferWait::TimedOut: return ERROR_INTERNET_TIMEOUT;
    default: return 0;
    }
}

// Takes the worker's blocks and writes them until the end of the data; false on a failed read
// or write, no data within the limit, a package too large, or Cancel. Every block gets its
// status, its pump (where Cancel is heard; the block just read is then not written) and its
// percentage, which starts again with the file when the server sends the whole body again.
bool TransferBlocks(PackageTransfer& transfer, PackageWriter& writer, DWORD expectedSize) {
    for (;;) {
        const unsigned char* block = nullptr;
        DWORD count = 0;
        const TransferWait next = NextBlock(transfer, &block, &count);
        if (next == TransferWait::Ended)
            return true;
        if (next == TransferWait::Restarted) {
            if (!BeginAgain(writer, transfer))
                return false;
            continue;
        }
        if (next != TransferWait::Ready) {
            writer.error = WaitError(next);
            return false;
        }
        SetWaitStatus(DownloadingText);
        if (PumpMessages()) {
            writer.error = ERROR_CANCELLED;
            return false;
        }
        SetWaitPercent(Percentage(writer.total + count, expectedSize));
        const bool wrote = WriteBlock(writer, block, count);
        ReleaseBlock(transfer);
        if (!wrote)
            return false;
    }
}

int CopyTransferToFile(PackageTransfer& transfer, PackageWriter& writer, DWORD expectedSize) {
    if (!TransferBlocks(transfer, writer, expectedSize))
        return 0;
    // A connection closed cleanly before the announced length looks like the end of the data.
    uint64_t announced = 0;
    if (AnnouncedLength(transfer, &announced) && writer.total != announced) {
        writer.error = ERROR_INTERNET_CONNECTION_ABORTED;
        return 0;
    }
    SetWaitStatus(CompletedText);
    SetWaitPercent(100);
    return 1;
}

// Has the worker open the URL, then writes the body into PackagePath, which it refuses before
// writing anything when the announced length is too large. The file is closed on every path
// (deleted when it was refused); the worker closes its handles once its last call has returned.
bool ReceivePackage(const char* folder, const char* url, PackageTransfer& transfer, PackageWriter& writer) {
    if (!StartTransfer(transfer, url, nullptr, NoDataLimitMs))
        return false;
    const TransferWait opened = WaitForRequest(transfer);
    if (opened != TransferWait::Ready) {
        writer.error = WaitError(opened);
        return false;
    }
    uint64_t announced = 0;
    if (AnnouncedLength(transfer, &announced) && !RoomFor(writer, announced))
        return false;
    const int length = std::snprintf(PackagePath, sizeof PackagePath, "%s\\%s", folder, PackageName);
    if (length < 0 || static_cast<size_t>(length) >= sizeof PackagePath) {
        PackagePath[0] = '\0';
        writer.error = ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    // CREATE_ALWAYS: a package left by an earlier attempt is replaced, not appended to.
    FileHandle file(CreateFileA(PackagePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        writer.error = GetLastError();
        return false;
    }
    writer.file = file.get();
    const bool copied = CopyTransferToFile(transfer, writer, PackageSize) != 0;
    const bool closed = file.Close();
    if (!closed && writer.error == 0)
        writer.error = GetLastError();
    if (writer.refused)
        DeleteFileA(PackagePath);
    return copied && closed;
}

// The download's failure: the worker's account of it, and why this thread stopped; without a cause
// of its own, the road that failed last.
void LeaveDownloadTrail(const char* step, DWORD error, const PackageTransfer& transfer, const char* cause = nullptr) {
    const TransferReport report = ReportOf(transfer);
    if (!cause)
        cause = report.viaProxy ? "proxy" : "direct";
    LeaveFailureTrail({step, error ? error : report.error, report.httpStatus, report.received, report.resumes, cause});
}

constexpr size_t DownloadLogLineSize = 600;

// What a support desk asks about the download first, as one log line.
void LogDownload(const char* url, const PackageTransfer& transfer) {
    const TransferReport report = ReportOf(transfer);
    uint64_t announced = 0;
    char announcedText[32] = "no length";
    if (AnnouncedLength(transfer, &announced))
        std::snprintf(announcedText, sizeof announcedText, "%" PRIu64 " bytes", announced);
    char line[DownloadLogLineSize];
    std::snprintf(line, sizeof line,
                  "Download: %s, road %s, HTTP status %lu, %s announced, %" PRIu64 " bytes received, %u resumes", url,
                  report.viaProxy ? "proxy" : "direct", static_cast<unsigned long>(report.httpStatus), announcedText,
                  report.received, report.resumes);
    LogLine(line);
}

void LogPackageCheck(const char* expectedSha256, size_t keyCount) {
    const bool pinned = expectedSha256 && *expectedSha256;
    LogLine(pinned && keyCount > 0 ? "Package check: passed (digest and signature)"
            : pinned               ? "Package check: passed (digest)"
            : keyCount > 0         ? "Package check: passed (signature)"
                                   : "Package check: none (the build pins no digest and holds no key)");
}

// The failure's end: the worker may still be inside a call the network has not ended, so it is
// let go, not waited for, and ends on its own; then the download message.
int FailDownload(HWND owner, PackageTransfer& transfer) {
    AbandonTransfer(transfer);
    EndWait();
    StepMessageBox(owner, FailureText, AppCaption.data(), FailureStyle);
    return DownloadFailed;
}

// Why a received package is not to be unpacked, for the trail; null when it is the build's own:
// the digest the build pins (if any) and the signature of one of its keys (if any).
const char* RefusalOf(const char* expectedSha256, SignedDigest& digest, const PackageKey* keys, size_t keyCount) {
    if (!PackageMatchesDigest(PackagePath, expectedSha256))
        return "digest mismatch";
    if (keyCount == 0)
        return nullptr;
    switch (digest.Check(keys, keyCount)) {
    case SignatureVerdict::Signed: return nullptr;
    case SignatureVerdict::NoSignature: return "no signature";
    case SignatureVerdict::UnknownKey: return "unknown key";
    case SignatureVerdict::BadSignature: break;
    }
    return "bad signature";
}

// Hands the package to the extraction; false, with its trail, when the package was refused or its
// unpacking failed.
bool UnpackPackage(const char* folder, uint64_t packageBytes) {
    wchar_t widePackage[WidePathSize];
    wchar_t wideFolder[WidePathSize];
    BstrText package;
    BstrText target;
    if (MultiByteToWideChar(CP_ACP, 0, PackagePath, -1, widePackage, WidePathSize) &&
        MultiByteToWideChar(CP_ACP, 0, folder, -1, wideFolder, WidePathSize)) {
        package.reset(SysAllocString(widePackage));
        target.reset(SysAllocString(wideFolder));
    }
    const bool unpacked = package && target && ExtractPackageChecked(package.get(), target.get());
    if (!unpacked)
        LeaveFailureTrail({"unpacking", GetLastError(), 0, packageBytes, 0});
    return unpacked;
}
} // namespace

int OpenPackageUrl(const char* url, HINTERNET* root, HINTERNET* request) {
    // The handles go to the caller, who closes them; the connection handle is a child of the root
    // and is closed with it.
    RequestHandles handles;
    const bool open = OpenRequest(url, handles, NoDataLimitMs);
    *root = handles.root.release();
    handles.connect.release();
    *request = handles.request.release();
    return open ? 1 : 0;
}

int CopyUrlToFile(HINTERNET request, HANDLE file, DWORD expectedSize) {
    PackageTransfer transfer;
    if (!StartTransfer(transfer, nullptr, request, NoDataLimitMs))
        return 0;
    PackageWriter writer;
    writer.file = file;
    writer.limit = UINT64_MAX;
    const int copied = CopyTransferToFile(transfer, writer, expectedSize);
    FinishTransfer(transfer);
    return copied;
}

int DownloadPackageFrom(HWND owner, const char* folder, const char* url, const char* expectedSha256,
                        uint64_t packageLimit, const PackageKey* keys, size_t keyCount) {
    BeginWait(owner, AppCaption.data());
    PackageTransfer transfer;
    PackageWriter writer;
    writer.folder = folder;
    writer.limit = packageLimit;
    SignedDigest digest;
    if (keyCount > 0) {
        digest.Begin();
        writer.digest = &digest;
    }
    const bool received = ReceivePackage(folder, url, transfer, writer);
    LogDownload(url, transfer);
    if (!received) {
        LeaveDownloadTrail("download", writer.error, transfer);
        return FailDownload(owner, transfer);
    }
    // From the check to the end of the unpacking no other program may write the package, so that
    // what is unpacked is what was checked.
    FileHandle guard(CreateFileA(PackagePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD guardError = guard.valid() ? 0 : GetLastError();
    // A package that is not the one the build expects, or that no key of the vendor signed, is a
    // failed download: it is not unpacked, nor left in the folder, where it could be opened.
    const char* refusal =
        guard.valid() ? RefusalOf(expectedSha256, digest, keys, keyCount) : "held open by another program";
    if (refusal) {
        LeaveDownloadTrail("package check", guardError ? guardError : ERROR_INVALID_DATA, transfer, refusal);
        guard.reset();
        DeleteFileA(PackagePath);
        FailDownload(owner, transfer);
        return PackageRefused;
    }
    LogPackageCheck(expectedSha256, keyCount);
    AbandonTransfer(transfer);
    const bool unpacked = UnpackPackage(folder, writer.total);
    EndWait();
    guard.reset();
    DeleteFileA(PackagePath);
    return unpacked ? DownloadSucceeded : UnpackingFailed;
}

int DownloadDemoPackage(HWND owner, const char* folder) {
    return DownloadPackageFrom(owner, folder, LUDRA_PACKAGE_URL, LUDRA_PACKAGE_SHA256, PackageSizeLimit,
                               BuiltInPackageKeys, BuiltInPackageKeyCount);
}
