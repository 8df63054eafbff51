// The built-in unpacker: maps the archive, checks every entry's name against the installation
// folder and writes each file through a temporary name in that folder.
#include "install/unzip.h"

#include "base/handles.h"
#include "install/zip_reader.h"

#include <cwchar>
#include <vector>

namespace {
constexpr wchar_t TempPrefix[] = L"ldz";
constexpr DWORD MaxWriteSize = 1 << 20;

// The whole archive as one read-only view.
class MappedArchive {
public:
    MappedArchive() : file_(), mapping_(nullptr), view_(nullptr), size_(0) {}
    ~MappedArchive() {
        if (view_)
            UnmapViewOfFile(view_);
        if (mapping_)
            CloseHandle(mapping_);
    }
    MappedArchive(const MappedArchive&) = delete;
    MappedArchive& operator=(const MappedArchive&) = delete;

    // An empty file cannot be mapped, and is no archive either.
    bool Open(const wchar_t* path) {
        file_.reset(
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size = {};
        if (!file_.valid() || !GetFileSizeEx(file_.get(), &size) || size.QuadPart <= 0 ||
            static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
            return false;
        mapping_ = CreateFileMappingW(file_.get(), nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (!mapping_)
            return false;
        view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0);
        size_ = static_cast<size_t>(size.QuadPart);
        return view_ != nullptr;
    }
    const unsigned char* data() const { return static_cast<const unsigned char*>(view_); }
    size_t size() const { return size_; }

private:
    FileHandle file_;
    HANDLE mapping_;
    void* view_;
    size_t size_;
};

class FileSink : public ZipSink {
public:
    explicit FileSink(HANDLE file) : file_(file) {}
    bool Write(const unsigned char* data, size_t size) override {
        while (size > 0) {
            const DWORD piece = size < MaxWriteSize ? static_cast<DWORD>(size) : MaxWriteSize;
            DWORD written = 0;
            if (!WriteFile(file_, data, piece, &written, nullptr) || written != piece)
                return false;
            data += piece;
            size -= piece;
        }
        return true;
    }

private:
    HANDLE file_;
};

enum class EntryPath { Ok, Skip, Fail };

// The installation folder in full, without a trailing separator ("C:" for a drive root).
bool ResolveFolder(const wchar_t* folder, wchar_t* base, size_t baseSize) {
    const DWORD length = GetFullPathNameW(folder, static_cast<DWORD>(baseSize), base, nullptr);
    if (length == 0 || length >= baseSize)
        return false;
    size_t end = length;
    while (end > 0 && base[end - 1] == L'\\')
        base[--end] = L'\0';
    return end > 0;
}

bool StartsWithFolder(const wchar_t* path, const wchar_t* base) {
    const size_t baseLength = std::wcslen(base);
    return std::wcslen(path) > baseLength + 1 && _wcsnicmp(path, base, baseLength) == 0 && path[baseLength] == L'\\';
}

// The entry's full path under base, or why it has none.
EntryPath MakeTargetPath(const ZipEntry& entry, const wchar_t* base, wchar_t* target, size_t targetSize) {
    char relative[MAX_PATH];
    const ZipPathStatus status = MakeEntryRelativePath(entry.name, relative, sizeof relative);
    if (status == ZipPathStatus::Unsafe)
        return EntryPath::Skip;
    if (status == ZipPathStatus::TooLong)
        return EntryPath::Fail;
    wchar_t wideRelative[MAX_PATH];
    const UINT codePage = entry.nameIsUtf8 ? CP_UTF8 : CP_OEMCP;
    const DWORD flags = entry.nameIsUtf8 ? MB_ERR_INVALID_CHARS : 0;
    if (MultiByteToWideChar(codePage, flags, relative, -1, wideRelative, MAX_PATH) == 0)
        return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? EntryPath::Fail : EntryPath::Skip;
    const int written = _snwprintf(target, targetSize, L"%ls\\%ls", base, wideRelative);
    if (written < 0 || static_cast<size_t>(written) >= targetSize)
        return EntryPath::Fail;
    // The name rules already keep it inside; the platform's own reading of the path decides.
    wchar_t full[MAX_PATH];
    const DWORD fullLength = GetFullPathNameW(target, MAX_PATH, full, nullptr);
    if (fullLength == 0 || fullLength >= MAX_PATH)
        return EntryPath::Fail;
    return StartsWithFolder(full, base) ? EntryPath::Ok : EntryPath::Skip;
}

bool IsFolder(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates every folder of path below base, one level at a time.
bool CreateFoldersBelow(const wchar_t* base, wchar_t* path) {
    const size_t baseLength = std::wcslen(base);
    for (wchar_t* p = path + baseLength + 1; *p; ++p) {
        if (*p != L'\\')
            continue;
        *p = L'\0';
        const bool made = CreateDirectoryW(path, nullptr) || IsFolder(path);
        *p = L'\\';
        if (!made)
            return false;
    }
    return CreateDirectoryW(path, nullptr) || IsFolder(path);
}

bool CreateParentFolders(const wchar_t* base, const wchar_t* target) {
    wchar_t parent[MAX_PATH];
    if (_snwprintf(parent, MAX_PATH, L"%ls", target) < 0)
        return false;
    parent[MAX_PATH - 1] = L'\0';
    wchar_t* separator = std::wcsrchr(parent, L'\\');
    if (!separator || static_cast<size_t>(separator - parent) <= std::wcslen(base))
        return true;
    *separator = L'\0';
    return CreateFoldersBelow(base, parent);
}

// The file is complete under its temporary name before it replaces anything.
bool WriteEntryFile(const MappedArchive& archive, const ZipEntry& entry, const wchar_t* base, const wchar_t* target) {
    wchar_t temp[MAX_PATH];
    if (!GetTempFileNameW(base, TempPrefix, 0, temp))
        return false;
    FileHandle file(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    bool written = file.valid();
    if (written) {
        FileSink sink(file.get());
        written = ExtractZipEntry(archive.data(), archive.size(), entry, sink) == ZipStatus::Ok;
    }
    written = file.Close() && written;
    if (written) {
        const DWORD attributes = GetFileAttributesW(target);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesW(target, attributes & ~FILE_ATTRIBUTE_READONLY);
        written = MoveFileExW(temp, target, MOVEFILE_REPLACE_EXISTING) != 0;
    }
    if (!written)
        DeleteFileW(temp);
    return written;
}

bool UnpackEntry(const MappedArchive& archive, const ZipEntry& entry, const wchar_t* base) {
    wchar_t target[MAX_PATH];
    switch (MakeTargetPath(entry, base, target, MAX_PATH)) {
    case EntryPath::Skip: return true;
    case EntryPath::Fail: return false;
    case EntryPath::Ok: break;
    }
    if (entry.isDirectory)
        return CreateFoldersBelow(base, target);
    return CreateParentFolders(base, target) && WriteEntryFile(archive, entry, base, target);
}
} // namespace

int UnzipPackage(const wchar_t* archivePath, const wchar_t* folder) {
    if (!archivePath || !folder)
        return 0;
    wchar_t base[MAX_PATH];
    if (!ResolveFolder(folder, base, MAX_PATH))
        return 0;
    MappedArchive archive;
    if (!archive.Open(archivePath))
        return 0;
    std::vector<ZipEntry> entries;
    if (ReadZipDirectory(archive.data(), archive.size(), entries) != ZipStatus::Ok)
        return 0;
    for (const ZipEntry& entry : entries) {
        if (!UnpackEntry(archive, entry, base))
            return 0;
    }
    return 1;
}
