// The run's log file.
#include "base/setup_log.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/kernel_handles.h"

namespace {
constexpr int MaxNumberedLogs = 999;
constexpr size_t LogLineSize = 1024;

FileHandle LogFile;
char LogPath[SetupLogPathSize] = {};

HANDLE CreateLog(const char* path, DWORD disposition) {
    return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The first number of today's logs in the temporary folder that is not taken.
HANDLE CreateNumberedLog(char* path, size_t pathSize) {
    char folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof folder, folder);
    if (length == 0 || length >= sizeof folder)
        return INVALID_HANDLE_VALUE;
    SYSTEMTIME now;
    GetLocalTime(&now);
    for (int number = 1; number <= MaxNumberedLogs; ++number) {
        const int written = std::snprintf(path, pathSize, "%sLudra Setup Log %04u-%02u-%02u #%03d.txt", folder,
                                          now.wYear, now.wMonth, now.wDay, number);
        if (written < 0 || static_cast<size_t>(written) >= pathSize) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return INVALID_HANDLE_VALUE;
        }
        const HANDLE file = CreateLog(path, CREATE_NEW);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return INVALID_HANDLE_VALUE;
}
} // namespace

bool OpenSetupLog(const char* path) {
    CloseSetupLog();
    char opened[SetupLogPathSize] = {};
    HANDLE file = INVALID_HANDLE_VALUE;
    if (path && *path) {
        if (std::strlen(path) < sizeof opened) {
            std::memcpy(opened, path, std::strlen(path) + 1);
            file = CreateLog(opened, CREATE_ALWAYS);
        } else
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
    } else
        file = CreateNumberedLog(opened, sizeof opened);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LogFile.reset(file);
    std::memcpy(LogPath, opened, sizeof LogPath);
    return true;
}

const char* SetupLogPath() {
    return LogPath;
}

void LogLine(const char* text) {
    if (!LogFile)
        return;
    const DWORD error = GetLastError();
    SYSTEMTIME now;
    GetLocalTime(&now);
    size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r'))
        --length;
    char line[LogLineSize];
    const int written =
        std::snprintf(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02u.%03u %.*s\r\n", now.wYear, now.wMonth, now.wDay,
                      now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, static_cast<int>(length), text);
    if (written > 0) {
        // A line past the buffer keeps its start and its line end.
        const size_t size = static_cast<size_t>(written) < sizeof line ? static_cast<size_t>(written) : sizeof line - 1;
        if (size == sizeof line - 1) {
            line[size - 2] = '\r';
            line[size - 1] = '\n';
        }
        DWORD done = 0;
        WriteFile(LogFile.get(), line, static_cast<DWORD>(size), &done, nullptr);
    }
    SetLastError(error);
}

void CloseSetupLog() {
    LogFile.reset();
    LogPath[0] = '\0';
}
