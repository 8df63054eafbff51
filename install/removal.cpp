// Removing what the installation put down, by its record.
#include "install/removal.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "base/setup_log.h"
#include "install/folder_walk.h"
#include "install/install_record.h"
#include "install/package_digest.h"
#include "install/shortcut.h"

namespace {
constexpr size_t RemovalLineSize = 400;
constexpr size_t RemovalPathSize = MAX_PATH;

void LogFile(const char* what, const char* relative, DWORD error = 0) {
    char line[RemovalLineSize];
    if (error)
        std::snprintf(line, sizeof line, "%s (error %lu): %s", what, static_cast<unsigned long>(error), relative);
    else
        std::snprintf(line, sizeof line, "%s: %s", what, relative);
    LogLine(line);
}

// No folder on the way from folder to the file may be a link elsewhere.
bool StaysInside(const char* folder, const char* relative) {
    char path[RemovalPathSize];
    if (!RecordFilePath(folder, relative, path, sizeof path))
        return false;
    for (char* cut = path + std::strlen(folder) + 1; (cut = std::strchr(cut, '\\')) != nullptr; ++cut) {
        *cut = '\0';
        const DWORD attributes = GetFileAttributesA(path);
        *cut = '\\';
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return false;
    }
    return true;
}

bool FileSize(const char* path, uint64_t* size) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return false;
    *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void RemoveOne(const char* folder, const RecordedFile& file, RemovalReport& report) {
    char path[RemovalPathSize];
    uint64_t size = 0;
    if (!StaysInside(folder, file.path.data()) || !RecordFilePath(folder, file.path.data(), path, sizeof path)) {
        ++report.kept;
        return LogFile("Kept (reached through a link)", file.path.data());
    }
    if (!FileSize(path, &size)) {
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
            return LogFile("Already gone", file.path.data());
        ++report.kept;
        return LogFile("Kept (changed since the installation)", file.path.data());
    }
    char hex[Sha256HexSize] = {};
    if (size == file.size && !FileSha256(path, hex)) {
        ++report.failed;
        return LogFile("Not removed", file.path.data(), GetLastError());
    }
    if (!RecordedFileUnchanged(file, size, hex)) {
        ++report.kept;
        return LogFile("Kept (changed since the installation)", file.path.data());
    }
    if (!DeleteFileA(path)) {
        ++report.failed;
        return LogFile("Not removed", file.path.data(), GetLastError());
    }
    ++report.removed;
    LogFile("Removed", file.path.data());
}

bool IsRecorded(const UninstallRecord& record, const char* relative) {
    for (const RecordedFile& file : record.files)
        if (_stricmp(file.path.data(), relative) == 0)
            return true;
    return IsRemovalFile(relative);
}
} // namespace

RemovalReport RemoveRecordedFiles(const char* folder, const UninstallRecord& record) {
    RemovalReport report;
    for (const RecordedFile& file : record.files)
        RemoveOne(folder, file, report);
    VisitFolderFiles(folder, [&](const char* relative, const char*, uint64_t) {
        if (!IsRecorded(record, relative)) {
            ++report.kept;
            LogFile("Kept (not installed by the setup)", relative);
        }
        return true;
    });
    RemoveEmptyFolders(folder);
    return report;
}

bool RemoveShortcutIfOurs(const char* shortcutPath, const char* folder) {
    wchar_t wideShortcut[RemovalPathSize];
    wchar_t target[RemovalPathSize] = {};
    wchar_t expected[RemovalPathSize];
    char program[RemovalPathSize];
    if (!RecordFilePath(folder, "LUDRA.EXE", program, sizeof program) ||
        !MultiByteToWideChar(CP_ACP, 0, shortcutPath, -1, wideShortcut, RemovalPathSize) ||
        !MultiByteToWideChar(CP_ACP, 0, program, -1, expected, RemovalPathSize))
        return false;
    if (GetFileAttributesW(wideShortcut) == INVALID_FILE_ATTRIBUTES)
        return true;
    if (FAILED(ReadShortcutTarget(wideShortcut, target, RemovalPathSize)) || _wcsicmp(target, expected) != 0) {
        LogFile("Shortcut kept (it starts another program)", shortcutPath);
        return true;
    }
    if (!DeleteFileW(wideShortcut)) {
        LogFile("Shortcut not removed", shortcutPath, GetLastError());
        return false;
    }
    LogFile("Shortcut removed", shortcutPath);
    return true;
}
