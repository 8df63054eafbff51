// The installation folder's files and folders, walked with FindFirstFile.
#include "install/folder_walk.h"

#include <cstdio>
#include <cstring>

namespace {
constexpr size_t WalkPathSize = MAX_PATH;

bool IsDotEntry(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Closes its search handle on every path.
class FolderSearch {
public:
    FolderSearch(const char* folder, WIN32_FIND_DATAA* found) {
        char pattern[WalkPathSize];
        const int length = std::snprintf(pattern, sizeof pattern, "%s\\*", folder);
        if (length > 0 && static_cast<size_t>(length) < sizeof pattern)
            handle_ = FindFirstFileA(pattern, found);
    }
    ~FolderSearch() {
        if (handle_ != INVALID_HANDLE_VALUE)
            FindClose(handle_);
    }
    FolderSearch(const FolderSearch&) = delete;
    FolderSearch& operator=(const FolderSearch&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA* found) const { return FindNextFileA(handle_, found) != FALSE; }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

bool Join(char* output, const char* folder, const char* name) {
    const int length = *folder ? std::snprintf(output, WalkPathSize, "%s\\%s", folder, name)
                               : std::snprintf(output, WalkPathSize, "%s", name);
    return length > 0 && static_cast<size_t>(length) < WalkPathSize;
}

using FileVisitor = std::function<bool(const char*, const char*, uint64_t)>;

bool VisitBelow(const char* full, const char* relative, int depth, const FileVisitor& visit) {
    WIN32_FIND_DATAA found = {};
    FolderSearch search(full, &found);
    if (!search.valid())
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        if (IsDotEntry(found.cFileName))
            continue;
        char childFull[WalkPathSize];
        char childRelative[WalkPathSize];
        if (!Join(childFull, full, found.cFileName) || !Join(childRelative, relative, found.cFileName))
            return false;
        // A link to another folder is not followed: what it leads to is not the installation's.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
            continue;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const uint64_t size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        const bool went = isFolder ? depth < FolderWalkDepth && VisitBelow(childFull, childRelative, depth + 1, visit)
                                   : visit(childRelative, childFull, size);
        if (!went)
            return false;
    } while (search.Next(&found));
    return true;
}

void RemoveEmptyBelow(const char* folder, int depth) {
    WIN32_FIND_DATAA found = {};
    {
        FolderSearch search(folder, &found);
        if (search.valid())
            do {
                char child[WalkPathSize];
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !IsDotEntry(found.cFileName) &&
                    depth < FolderWalkDepth && Join(child, folder, found.cFileName))
                    RemoveEmptyBelow(child, depth + 1);
            } while (search.Next(&found));
    }
    // Fails, as wanted, while anything is left in it.
    RemoveDirectoryA(folder);
}
} // namespace

bool VisitFolderFiles(const char* folder, const FileVisitor& visit) {
    return VisitBelow(folder, "", 0, visit);
}

void RemoveEmptyFolders(const char* folder) {
    RemoveEmptyBelow(folder, 0);
}
