// The package download: one HTTP(S) request made by a worker thread, the body written block by
// block into the installation folder under the wait dialog, then the unpacking and the package's
// deletion. The GUI thread never blocks on the network: it pumps while it waits for the worker.
#include "install/download.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/globals.h"
#include "base/handles.h"
#include "install/download_worker.h"
#include "install/extract.h"
#include "install/package_digest.h"
#include "package_url.h"
#include "progress/wait.h"

char PackagePath[PackagePathSize] = {};

namespace {
constexpr char PackageName[] = "LD46DEMO.zip";
constexpr int WidePathSize = 256;
// No data for this long, on the request or on any read, fails the download.
constexpr DWORD NoDataLimitMs = LUDRA_NO_DATA_LIMIT_MS;

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

// Takes the worker's blocks and writes them until the end of the data; false on a failed read
// or write, no data within the limit, or Cancel. Every block gets its status, its pump (where
// Cancel is heard; the block just read is then not written) and its percentage.
bool TransferBlocks(PackageTransfer& transfer, HANDLE file, DWORD expectedSize, uint64_t& total) {
    for (;;) {
        const unsigned char* block = nullptr;
        DWORD count = 0;
        const TransferWait next = NextBlock(transfer, &block, &count);
        if (next == TransferWait::Ended)
            return true;
        if (next != TransferWait::Ready)
            return false;
        SetWaitStatus(DownloadingText);
        if (PumpMessages())
            return false;
        total += count;
        SetWaitPercent(Percentage(total, expectedSize));
        DWORD written = 0;
        const bool wrote = WriteFile(file, block, count, &written, nullptr) && written == count;
        ReleaseBlock(transfer);
        if (!wrote)
            return false;
    }
}

int CopyTransferToFile(PackageTransfer& transfer, HANDLE file, DWORD expectedSize) {
    uint64_t total = 0;
    if (!TransferBlocks(transfer, file, expectedSize, total))
        return 0;
    // A connection closed cleanly before the announced length looks like the end of the data.
    uint64_t announced = 0;
    if (AnnouncedLength(transfer, &announced) && total != announced)
        return 0;
    SetWaitStatus(CompletedText);
    SetWaitPercent(100);
    return 1;
}

// Has the worker open the URL, then writes the body into PackagePath. The file is closed on
// every path; the worker closes its handles once its last call has returned.
bool ReceivePackage(const char* folder, const char* url, PackageTransfer& transfer) {
    if (!StartTransfer(transfer, url, nullptr, NoDataLimitMs) || WaitForRequest(transfer) != TransferWait::Ready)
        return false;
    const int length = std::snprintf(PackagePath, sizeof PackagePath, "%s\\%s", folder, PackageName);
    if (length < 0 || static_cast<size_t>(length) >= sizeof PackagePath) {
        PackagePath[0] = '\0';
        return false;
    }
    // CREATE_ALWAYS: a package left by an earlier attempt is replaced, not appended to.
    FileHandle file(CreateFileA(PackagePath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    if (!CopyTransferToFile(transfer, file.get(), PackageSize))
        return false;
    return file.Close();
}

// Hands the package to the extraction; 0 only when the built-in unpacker failed.
int UnpackPackage(const char* folder) {
    wchar_t widePackage[WidePathSize];
    wchar_t wideFolder[WidePathSize];
    if (!MultiByteToWideChar(CP_ACP, 0, PackagePath, -1, widePackage, WidePathSize) ||
        !MultiByteToWideChar(CP_ACP, 0, folder, -1, wideFolder, WidePathSize))
        return 0;
    BstrText package(SysAllocString(widePackage));
    BstrText target(SysAllocString(wideFolder));
    return package && target ? ExtractPackageChecked(package.get(), target.get()) : 0;
}
} // namespace

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
    const int copied = CopyTransferToFile(transfer, file, expectedSize);
    FinishTransfer(transfer);
    return copied;
}

int DownloadPackageFrom(HWND owner, const char* folder, const char* url, const char* expectedSha256) {
    BeginWait(owner, AppCaption.data());
    PackageTransfer transfer;
    // A package that is not the one the build expects is a failed download: it is not unpacked.
    if (!ReceivePackage(folder, url, transfer) || !PackageMatchesDigest(PackagePath, expectedSha256)) {
        // The worker may still be inside a call the network has not ended: it is let go, not
        // waited for, and ends on its own.
        AbandonTransfer(transfer);
        EndWait();
        StepMessageBox(owner, FailureText, AppCaption.data(), FailureStyle);
        return DownloadFailed;
    }
    AbandonTransfer(transfer);
    const int unpacked = UnpackPackage(folder);
    EndWait();
    DeleteFileA(PackagePath);
    return unpacked ? DownloadSucceeded : UnpackingFailed;
}

int DownloadDemoPackage(HWND owner, const char* folder) {
    return DownloadPackageFrom(owner, folder, LUDRA_PACKAGE_URL, LUDRA_PACKAGE_SHA256);
}
