// ldfloor.exe: the floor for the benchmark of the package download. Nothing but what the platform
// needs to do the same work: one URL read in 4,096-byte InternetReadFile calls, each block written
// with WriteFile, then every entry of the archive inflated with zlib and written out. No window, no
// thread, no bookkeeping; with --peek, one PeekMessage per block, the least a GUI loop adds.
//   ldfloor.exe URL FOLDER [--peek]
// Prints download_ms, unpack_ms, total_ms and entries; exit code 0 when every entry was written.
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/kernel_handles.h"
#include "base/internet_handles.h"
#include "install/zip_reader.h"

namespace {
constexpr DWORD BlockSize = 4096;
constexpr size_t PathSize = MAX_PATH;

double MillisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool Download(const char* url, const char* path, bool peek) {
    InternetHandle root(InternetOpenA("ldfloor", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!root)
        return false;
    InternetHandle request(InternetOpenUrlA(root.get(), url, nullptr, 0, INTERNET_FLAG_NO_CACHE_WRITE, 0));
    if (!request)
        return false;
    FileHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    static unsigned char block[BlockSize];
    for (;;) {
        DWORD count = 0;
        if (!InternetReadFile(request.get(), block, BlockSize, &count))
            return false;
        if (count == 0)
            return true;
        DWORD written = 0;
        WriteFile(file.get(), block, count, &written, nullptr);
        if (peek) {
            MSG message;
            PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
        }
    }
}

class FileSink : public ZipSink {
public:
    explicit FileSink(HANDLE file) : file_(file) {}
    bool Write(const unsigned char* data, size_t size) override {
        DWORD written = 0;
        return WriteFile(file_, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
    }

private:
    HANDLE file_;
};

// Creates every folder on the way to path (relative to the current folder).
void MakeParents(const char* path) {
    char partial[PathSize];
    for (size_t i = 0; path[i] && i + 1 < sizeof partial; ++i) {
        if (path[i] == '\\') {
            std::memcpy(partial, path, i);
            partial[i] = '\0';
            CreateDirectoryA(partial, nullptr);
        }
    }
}

int Unpack(const char* archive) {
    FileHandle file(CreateFileA(archive, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size = {};
    if (!file.valid() || !GetFileSizeEx(file.get(), &size))
        return -1;
    std::vector<unsigned char> data(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &read, nullptr) || read != data.size())
        return -1;
    std::vector<ZipEntry> entries;
    if (ReadZipDirectory(data.data(), data.size(), entries) != ZipStatus::Ok)
        return -1;
    int written = 0;
    for (const ZipEntry& entry : entries) {
        char path[PathSize];
        if (MakeEntryRelativePath(entry.name, path, sizeof path) != ZipPathStatus::Ok)
            return -1;
        MakeParents(path);
        if (entry.isDirectory) {
            CreateDirectoryA(path, nullptr);
            continue;
        }
        FileHandle out(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        FileSink sink(out.get());
        if (!out.valid() || ExtractZipEntry(data.data(), data.size(), entry, sink) != ZipStatus::Ok)
            return -1;
        ++written;
    }
    return written;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: ldfloor URL FOLDER [--peek]\n");
        return 2;
    }
    const bool peek = argc > 3 && std::strcmp(argv[3], "--peek") == 0;
    CreateDirectoryA(argv[2], nullptr);
    if (!SetCurrentDirectoryA(argv[2]))
        return 1;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!Download(argv[1], "LD46DEMO.zip", peek)) {
        std::printf("download failed\n");
        return 1;
    }
    const double downloadMs = MillisecondsSince(start);
    const int entries = Unpack("LD46DEMO.zip");
    const double totalMs = MillisecondsSince(start);
    DeleteFileA("LD46DEMO.zip");
    std::printf("download_ms=%.1f\nunpack_ms=%.1f\ntotal_ms=%.1f\nentries=%d\n", downloadMs, totalMs - downloadMs,
                totalMs, entries);
    return entries > 0 ? 0 : 1;
}
