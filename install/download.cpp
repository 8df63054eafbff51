// The package download: one HTTP request, the body written block by block into the
// installation folder under the wait dialog, then the unpacking and the package's deletion.
#include "install/download.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/globals.h"
#include "install/extract.h"
#include "base/handles.h"
#include "install/package_digest.h"
#include "package_url.h"
#include "progress/wait.h"

char PackagePath[PackagePathSize] = {};

namespace {
constexpr char PackageName[] = "LD46DEMO.zip";
constexpr char AgentName[] = "VaVava";
constexpr DWORD TransferBlockSize = 4096;
constexpr DWORD HttpStatusOk = 200;
constexpr int WidePathSize = 256;

constexpr char DownloadingText[] = "Attenzione! Download in corso ....";
constexpr char CompletedText[] = "Download completato. Attendere fine installazione ....";
constexpr char FailureText[] = "Attenzione! Connessione Internet non disponibile, download fallito.";
constexpr UINT FailureStyle = MB_SYSTEMMODAL | MB_ICONEXCLAMATION;

class InternetHandle {
public:
    InternetHandle() : handle_(nullptr) {}
    ~InternetHandle() {
        if (handle_)
            InternetCloseHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    HINTERNET get() const { return handle_; }
    HINTERNET* out() { return &handle_; }

private:
    HINTERNET handle_;
};

class LockedBlock {
public:
    explicit LockedBlock(SIZE_T size) : block_(nullptr), memory_(AllocLockedBlock(size, &block_)) {}
    ~LockedBlock() {
        if (memory_) {
            GlobalUnlock(memory_);
            GlobalFree(memory_);
        }
    }
    LockedBlock(const LockedBlock&) = delete;
    LockedBlock& operator=(const LockedBlock&) = delete;

    unsigned char* get() const { return static_cast<unsigned char*>(block_); }

private:
    void* block_;
    HGLOBAL memory_;
};

// Not clamped to 100: a body longer than expected shows more, as far as an int goes.
int Percentage(uint64_t received, DWORD expectedSize) {
    if (expectedSize == 0)
        return 0;
    const double percent = static_cast<double>(received) * 100.0 / expectedSize;
    return percent < static_cast<double>(INT_MAX) ? static_cast<int>(percent) : INT_MAX;
}

// The length the server announced, when it announced one.
bool ReadContentLength(HINTERNET request, DWORD& length) {
    DWORD size = sizeof length;
    return HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr) != 0;
}

// Reads and writes until the end of the data; false on a failed read or write, or Cancel.
bool TransferBlocks(HINTERNET request, HANDLE file, DWORD expectedSize, unsigned char* block, uint64_t& total) {
    for (;;) {
        std::memset(block, 0, TransferBlockSize);
        DWORD count = 0;
        if (!InternetReadFile(request, block, TransferBlockSize, &count))
            return false;
        if (count == 0)
            return true;
        SetWaitStatus(DownloadingText);
        // The block just read is not written once Cancel is confirmed.
        if (PumpMessages())
            return false;
        total += count;
        SetWaitPercent(Percentage(total, expectedSize));
        DWORD written = 0;
        if (!WriteFile(file, block, count, &written, nullptr) || written != count)
            return false;
    }
}

// Opens the URL and writes the body into PackagePath. The file is closed, then the URL
// handle, then the root handle, on every path.
bool ReceivePackage(const char* folder, const char* url) {
    InternetHandle root;
    InternetHandle request;
    if (!OpenPackageUrl(url, root.out(), request.out()))
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
    if (!CopyUrlToFile(request.get(), file.get(), PackageSize))
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
    BSTR package = SysAllocString(widePackage);
    BSTR target = SysAllocString(wideFolder);
    const int unpacked = package && target ? ExtractPackageChecked(package, target) : 0;
    SysFreeString(target);
    SysFreeString(package);
    return unpacked;
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
    if (!InternetCheckConnectionA(url, FLAG_ICC_FORCE_CONNECTION, 0))
        return 0;
    // A direct connection: any proxy configured on the machine is ignored.
    *root = InternetOpenA(AgentName, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!*root)
        return 0;
    *request = InternetOpenUrlA(*root, url, nullptr, 0, INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (!*request)
        return 0;
    // An error page opens like the package; only the status tells them apart.
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(*request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
        return 0;
    return status == HttpStatusOk ? 1 : 0;
}

int CopyUrlToFile(HINTERNET request, HANDLE file, DWORD expectedSize) {
    uint64_t total = 0;
    {
        LockedBlock block(TransferBlockSize);
        if (!block.get() || !TransferBlocks(request, file, expectedSize, block.get(), total))
            return 0;
    }
    // A connection closed cleanly before the announced length looks like the end of the data.
    DWORD announced = 0;
    if (ReadContentLength(request, announced) && total != announced)
        return 0;
    SetWaitStatus(CompletedText);
    SetWaitPercent(100);
    return 1;
}

int DownloadPackageFrom(HWND owner, const char* folder, const char* url, const char* expectedSha256) {
    BeginWait(owner, AppCaption.data());
    // A package that is not the one the build expects is a failed download: it is not unpacked.
    if (!ReceivePackage(folder, url) || !PackageMatchesDigest(PackagePath, expectedSha256)) {
        EndWait();
        MessageBoxA(owner, FailureText, AppCaption.data(), FailureStyle);
        return DownloadFailed;
    }
    const int unpacked = UnpackPackage(folder);
    EndWait();
    DeleteFileA(PackagePath);
    return unpacked ? DownloadSucceeded : UnpackingFailed;
}

int DownloadDemoPackage(HWND owner, const char* folder) {
    return DownloadPackageFrom(owner, folder, LUDRA_PACKAGE_URL, LUDRA_PACKAGE_SHA256);
}
