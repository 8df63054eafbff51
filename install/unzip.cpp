// The built-in unpacker: maps the archive, weighs it against the folder's volume, checks every
// entry's name against the installation folder and writes each file under its own name; and
// for a folder another unpacker writes, the entry-by-entry comparison with the archive (sizes and
// CRC-32 of the files on disk) and the writing of what it left undone.
#include "install/unzip.h"

#include "base/kernel_handles.h"
#include "install/zip_reader.h"

#include <zlib.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {
constexpr wchar_t TempPrefix[] = L"ldz";
constexpr DWORD MaxWriteSize = 1 << 20;
constexpr DWORD CrcReadSize = 1 << 16;
constexpr int MoveAttempts = 20;
constexpr DWORD MoveRetryMs = 50;

// Every failure leaves its reason as the last error, for the caller's trail.
bool FailWith(DWORD error) {
    SetLastError(error);
    return false;
}

// The last error for a reader's status; a sink that refused its data left its own.
bool FailWith(ZipStatus status) {
    switch (status) {
    case ZipStatus::Ok: return true;
    case ZipStatus::WriteFailed: return false;
    case ZipStatus::NotAnArchive: return FailWith(ERROR_BAD_FORMAT);
    case ZipStatus::Unsupported: return FailWith(ERROR_NOT_SUPPORTED);
    case ZipStatus::CrcMismatch: return FailWith(ERROR_CRC);
    case ZipStatus::TooLarge: return FailWith(ERROR_FILE_TOO_LARGE);
    case ZipStatus::NoRoom: return FailWith(ERROR_DISK_FULL);
    default: return FailWith(ERROR_INVALID_DATA);
    }
}

// Undoes what a failure left behind without losing its reason.
template <typename Undo> bool FailAfter(Undo undo) {
    const DWORD error = GetLastError();
    undo();
    return FailWith(error);
}

// The whole archive as one read-only view; its members are released in reverse order.
class MappedArchive {
public:
    // An empty file cannot be mapped, and is no archive either.
    bool Open(const wchar_t* path) {
        file_.reset(
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size = {};
        if (!file_.valid() || !GetFileSizeEx(file_.get(), &size) || size.QuadPart <= 0 ||
            static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
            return false;
        mapping_.reset(CreateFileMappingW(file_.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
        if (!mapping_)
            return false;
        view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0));
        size_ = static_cast<size_t>(size.QuadPart);
        return view_.valid();
    }
    const unsigned char* data() const { return static_cast<const unsigned char*>(view_.get()); }
    size_t size() const { return size_; }

private:
    FileHandle file_;
    KernelHandle mapping_;
    MappedView view_;
    size_t size_ = 0;
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

bool MakeFolder(const wchar_t* path) {
    return CreateDirectoryW(path, nullptr) || IsFolder(path);
}

// Creates the folders of path below base, one level at a time, skipping the levels known to
// exist already: the first existingLength characters of path name a folder made before.
bool CreateFoldersBelow(const wchar_t* base, wchar_t* path, size_t existingLength) {
    const size_t baseLength = std::wcslen(base);
    const size_t start = existingLength > baseLength ? existingLength : baseLength;
    for (wchar_t* p = path + start + 1; *p; ++p) {
        if (*p != L'\\')
            continue;
        *p = L'\0';
        const bool made = MakeFolder(path);
        *p = L'\\';
        if (!made)
            return false;
    }
    return MakeFolder(path);
}

// How much of path lies in the folder made last: its whole length when path starts with it and
// goes on with a separator (or ends there), otherwise the last separator they share, 0 for none.
size_t KnownFolderLength(const std::wstring& lastMade, const wchar_t* path, size_t pathLength) {
    size_t known = 0;
    for (size_t i = 0; i <= lastMade.size() && i <= pathLength; ++i) {
        const wchar_t a = i < lastMade.size() ? lastMade[i] : L'\\';
        const wchar_t b = i < pathLength ? path[i] : L'\\';
        if (a != b)
            break;
        if (a == L'\\')
            known = i;
    }
    return known;
}

// One package's unpacking: the archive, the folder in full, and the folder made last, so that
// the 200 files of one folder create it once, not 200 times.
struct Unpacking {
    const MappedArchive& archive;
    const wchar_t* base;
    std::wstring lastMade;
};

bool CreateFolder(Unpacking& unpacking, wchar_t* folder) {
    const size_t length = std::wcslen(folder);
    if (length <= std::wcslen(unpacking.base))
        return true;
    const size_t known = KnownFolderLength(unpacking.lastMade, folder, length);
    if (known == length)
        return true;
    if (!CreateFoldersBelow(unpacking.base, folder, known))
        return false;
    unpacking.lastMade.assign(folder, length);
    return true;
}

bool CreateParentFolders(Unpacking& unpacking, const wchar_t* target) {
    wchar_t parent[MAX_PATH];
    if (_snwprintf(parent, MAX_PATH, L"%ls", target) < 0)
        return false;
    parent[MAX_PATH - 1] = L'\0';
    wchar_t* separator = std::wcsrchr(parent, L'\\');
    if (!separator)
        return true;
    *separator = L'\0';
    return CreateFolder(unpacking, parent);
}

// The entry's data into an open file; false when the data, its CRC, a write or the close fails.
bool FillFile(const MappedArchive& archive, const ZipEntry& entry, FileHandle& file) {
    FileSink sink(file.get());
    if (!FailWith(ExtractZipEntry(archive.data(), archive.size(), entry, sink)))
        return FailAfter([&] { file.Close(); });
    return file.Close();
}

// A file just written is often held open a moment longer by another program (a virus scanner, or
// the shell ending its copy): the move over it is tried again for a second before it fails.
bool MoveOver(const wchar_t* temp, const wchar_t* target) {
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(temp, target, MOVEFILE_REPLACE_EXISTING))
            return true;
        const DWORD error = GetLastError();
        if (attempt == MoveAttempts || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED))
            return false;
        Sleep(MoveRetryMs);
    }
}

// An existing file is replaced only by a complete copy: written under a temporary name, then
// moved over it (a read-only file loses that attribute first).
bool ReplaceFile(const MappedArchive& archive, const ZipEntry& entry, const wchar_t* base, const wchar_t* target) {
    wchar_t temp[MAX_PATH];
    if (!GetTempFileNameW(base, TempPrefix, 0, temp))
        return false;
    FileHandle file(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    bool written = file.valid() && FillFile(archive, entry, file);
    if (written) {
        const DWORD attributes = GetFileAttributesW(target);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesW(target, attributes & ~FILE_ATTRIBUTE_READONLY);
        written = MoveOver(temp, target);
    }
    return written || FailAfter([&] { DeleteFileW(temp); });
}

// A new file is written under its own name and deleted again if it cannot be completed. Only
// a name that is taken already goes the slower way of the temporary copy.
bool WriteEntryFile(const MappedArchive& archive, const ZipEntry& entry, const wchar_t* base, const wchar_t* target) {
    FileHandle file(CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
            return ReplaceFile(archive, entry, base, target);
        return false;
    }
    return FillFile(archive, entry, file) || FailAfter([&] { DeleteFileW(target); });
}

bool UnpackEntry(Unpacking& unpacking, const ZipEntry& entry) {
    wchar_t target[MAX_PATH];
    switch (MakeTargetPath(entry, unpacking.base, target, MAX_PATH)) {
    case EntryPath::Skip: return true;
    case EntryPath::Fail: return FailWith(ERROR_FILENAME_EXCED_RANGE);
    case EntryPath::Ok: break;
    }
    if (entry.isDirectory)
        return CreateFolder(unpacking, target);
    return CreateParentFolders(unpacking, target) && WriteEntryFile(unpacking.archive, entry, unpacking.base, target);
}

// The free space the folder's volume offers this user; unknown (the call failed) weighs nothing.
uint64_t FreeBytesOf(const wchar_t* folder) {
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExW(folder, &available, nullptr, nullptr))
        return UINT64_MAX;
    return available.QuadPart;
}

// The archive mapped and listed, the folder resolved; false when any of it fails.
bool OpenPackage(const wchar_t* archivePath, const wchar_t* folder, MappedArchive& archive, wchar_t* base,
                 std::vector<ZipEntry>& entries) {
    if (!archivePath || !folder || !ResolveFolder(folder, base, MAX_PATH))
        return FailWith(ERROR_BAD_PATHNAME);
    if (!archive.Open(archivePath))
        return GetLastError() == ERROR_SUCCESS ? FailWith(ERROR_BAD_FORMAT) : false;
    return FailWith(ReadZipDirectory(archive.data(), archive.size(), entries));
}

bool Fits(const std::vector<ZipEntry>& entries, const wchar_t* base, uint64_t sizeLimit) {
    return FailWith(WeighZipEntries(entries, sizeLimit, FreeBytesOf(base)));
}

// What the folder holds under an entry's name, as one look saw it.
struct FileSeen {
    bool present = false;
    bool folder = false;
    uint64_t size = 0;
    FILETIME written = {};
};

bool SameAsSeen(const FileSeen& a, const FileSeen& b) {
    return a.present == b.present && a.folder == b.folder && a.size == b.size &&
           CompareFileTime(&a.written, &b.written) == 0;
}

// Asked by path rather than through a folder listing, which may still show a file another
// program is writing with an older size.
FileSeen LookAt(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA found = {};
    FileSeen seen;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &found))
        return seen;
    seen.present = true;
    seen.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    seen.size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    seen.written = found.ftLastWriteTime;
    return seen;
}

enum class Content { Same, Differs, Unreadable };

// The file's bytes against the entry's length and CRC-32. Every sharing is allowed, so that the
// check never shuts out a writer still at work; a file that writer holds locked is Unreadable.
Content CompareContent(const wchar_t* path, const ZipEntry& entry, std::vector<unsigned char>& buffer) {
    FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid())
        return Content::Unreadable;
    uLong crc = crc32(0L, Z_NULL, 0);
    uint64_t total = 0;
    for (;;) {
        DWORD count = 0;
        if (!ReadFile(file.get(), buffer.data(), CrcReadSize, &count, nullptr))
            return Content::Unreadable;
        if (count == 0)
            break;
        total += count;
        if (total > entry.uncompressedSize)
            return Content::Differs;
        crc = crc32(crc, buffer.data(), static_cast<uInt>(count));
    }
    return total == entry.uncompressedSize && crc == entry.crc ? Content::Same : Content::Differs;
}

// One entry of a package another unpacker is writing, with its place in the folder and what the
// last look saw. A copy read and found different is read again only once it changes; a copy
// that matched is not looked at again.
struct WatchedEntry {
    const ZipEntry* entry;
    std::wstring target;
    FileSeen seen;
    bool differs;
    bool matches;
};

bool WatchEntries(const std::vector<ZipEntry>& entries, const wchar_t* base, std::vector<WatchedEntry>& watched) {
    watched.reserve(entries.size());
    for (const ZipEntry& entry : entries) {
        wchar_t target[MAX_PATH];
        switch (MakeTargetPath(entry, base, target, MAX_PATH)) {
        case EntryPath::Skip: continue;
        case EntryPath::Fail: return FailWith(ERROR_FILENAME_EXCED_RANGE);
        case EntryPath::Ok: break;
        }
        watched.push_back(WatchedEntry{&entry, target, FileSeen(), false, false});
    }
    return true;
}

// Looks at the entry's copy once more; true when it changed since the last look.
bool LookAgain(WatchedEntry& watched, std::vector<unsigned char>& buffer) {
    const ZipEntry& entry = *watched.entry;
    const FileSeen seen = LookAt(watched.target.c_str());
    const bool changed = !SameAsSeen(seen, watched.seen);
    watched.seen = seen;
    if (changed)
        watched.differs = false;
    if (entry.isDirectory) {
        watched.matches = seen.present && seen.folder;
    } else if (seen.present && !seen.folder && seen.size == entry.uncompressedSize && !watched.differs) {
        const Content content = CompareContent(watched.target.c_str(), entry, buffer);
        watched.matches = content == Content::Same;
        watched.differs = content == Content::Differs;
    }
    return changed;
}

// One look at every entry not matching yet; true when any of them changed.
bool LookAtFolder(std::vector<WatchedEntry>& watched, std::vector<unsigned char>& buffer, bool& allMatch) {
    bool changed = false;
    allMatch = true;
    for (WatchedEntry& entry : watched) {
        if (entry.matches)
            continue;
        changed = LookAgain(entry, buffer) || changed;
        allMatch = allMatch && entry.matches;
    }
    return changed;
}

// What the other unpacker left missing or different, written by this one.
bool WriteUnmatched(const MappedArchive& archive, const wchar_t* base, const std::vector<WatchedEntry>& watched,
                    UnpackCounts& counts) {
    Unpacking unpacking{archive, base, std::wstring()};
    for (const WatchedEntry& entry : watched) {
        const bool file = !entry.entry->isDirectory;
        if (!entry.matches && !UnpackEntry(unpacking, *entry.entry))
            return false;
        if (file && entry.matches)
            ++counts.found;
        else if (file)
            ++counts.written;
    }
    return true;
}
} // namespace

bool UnzipPackage(const wchar_t* archivePath, const wchar_t* folder, uint64_t sizeLimit) {
    wchar_t base[MAX_PATH];
    MappedArchive archive;
    std::vector<ZipEntry> entries;
    if (!OpenPackage(archivePath, folder, archive, base, entries) || !Fits(entries, base, sizeLimit))
        return false;
    Unpacking unpacking{archive, base, std::wstring()};
    for (const ZipEntry& entry : entries) {
        if (!UnpackEntry(unpacking, entry))
            return false;
    }
    return true;
}

bool PackageFitsFolder(const wchar_t* archivePath, const wchar_t* folder, uint64_t sizeLimit) {
    wchar_t base[MAX_PATH];
    MappedArchive archive;
    std::vector<ZipEntry> entries;
    return OpenPackage(archivePath, folder, archive, base, entries) && Fits(entries, base, sizeLimit);
}

bool CompletePackage(const wchar_t* archivePath, const wchar_t* folder, OtherUnpacker& other, UnpackCounts& counts,
                     uint64_t sizeLimit) {
    // The archive stays mapped, for reading only, from the weighing to the last write: what was
    // weighed is what is written.
    wchar_t base[MAX_PATH];
    MappedArchive archive;
    std::vector<ZipEntry> entries;
    std::vector<WatchedEntry> watched;
    if (!OpenPackage(archivePath, folder, archive, base, entries) || !Fits(entries, base, sizeLimit) ||
        !WatchEntries(entries, base, watched))
        return false;
    if (other.Start()) {
        std::vector<unsigned char> buffer(CrcReadSize);
        for (;;) {
            bool allMatch = false;
            const bool changed = LookAtFolder(watched, buffer, allMatch);
            if (allMatch || !other.KeepWaiting(changed))
                break;
        }
    }
    return WriteUnmatched(archive, base, watched, counts);
}

bool FolderMatchesPackage(const wchar_t* archivePath, const wchar_t* folder) {
    wchar_t base[MAX_PATH];
    MappedArchive archive;
    std::vector<ZipEntry> entries;
    std::vector<WatchedEntry> watched;
    if (!OpenPackage(archivePath, folder, archive, base, entries) || !WatchEntries(entries, base, watched))
        return false;
    std::vector<unsigned char> buffer(CrcReadSize);
    bool allMatch = false;
    LookAtFolder(watched, buffer, allMatch);
    return allMatch || FailWith(ERROR_INVALID_DATA);
}
