// The record of an installation, written once its files and LUDRA.INI are final.
#include "install/install_record.h"

#include <cstring>
#include <string>

#include "base/kernel_handles.h"
#include "base/strings.h"
#include "install/dde_command.h"
#include "install/folder_walk.h"
#include "install/package_digest.h"
#include "install/uninstall_record.h"

namespace {
constexpr const char* RecordTemporaryName = "LDUNINST.TMP";

// Each file with its size and digest; the removal's own files are not the installation's.
bool RecordFolderFiles(const char* folder, UninstallRecord& record, uint64_t* installedBytes) {
    *installedBytes = 0;
    return VisitFolderFiles(folder, [&](const char* relative, const char* full, uint64_t size) {
        if (IsRemovalFile(relative))
            return true;
        RecordedFile file;
        char hex[Sha256HexSize];
        if (std::strlen(relative) >= file.path.size()) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        if (!FileSha256(full, hex))
            return false;
        std::memcpy(file.path.data(), relative, std::strlen(relative) + 1);
        std::memcpy(file.sha256.data(), hex, sizeof hex);
        file.size = size;
        record.files.push_back(file);
        *installedBytes += size;
        return true;
    });
}

// Written beside its final name and moved over it, so a record is whole or absent.
bool WriteRecordText(const char* folder, const std::string& text) {
    char temporary[MAX_PATH];
    char final[MAX_PATH];
    if (!RecordFilePath(folder, RecordTemporaryName, temporary, sizeof temporary) ||
        !RecordFilePath(folder, UninstallRecordName, final, sizeof final))
        return false;
    FileHandle file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return false;
    DWORD written = 0;
    const bool wrote = WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                       written == text.size() && FlushFileBuffers(file.get());
    const DWORD error = GetLastError();
    file.reset();
    if (!wrote || !MoveFileExA(temporary, final, MOVEFILE_REPLACE_EXISTING)) {
        const DWORD failure = wrote ? GetLastError() : error;
        DeleteFileA(temporary);
        SetLastError(failure);
        return false;
    }
    return true;
}

bool CopyRunningProgram(const char* folder) {
    char program[MAX_PATH];
    char copy[MAX_PATH];
    return RunningProgramPath(program, sizeof program) &&
           RecordFilePath(folder, UninstallProgramName, copy, sizeof copy) && CopyFileA(program, copy, FALSE);
}

bool WriteRecordAndProgram(const char* folder, const char* shortcutPath, uint64_t* installedBytes) {
    UninstallRecord record;
    std::string text;
    if (!RecordFolderFiles(folder, record, installedBytes))
        return false;
    if (shortcutPath && *shortcutPath && std::strlen(shortcutPath) < record.shortcut.size())
        std::memcpy(record.shortcut.data(), shortcutPath, std::strlen(shortcutPath) + 1);
    std::memcpy(record.group.data(), ProductGroupName, std::strlen(ProductGroupName) + 1);
    if (!WriteUninstallRecord(record, &text)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    // The program first: a record is the sign that the removal has all it needs.
    return CopyRunningProgram(folder) && WriteRecordText(folder, text);
}
} // namespace

bool RecordFilePath(const char* folder, const char* name, char* path, size_t pathSize) {
    if (JoinPath(folder, name, path, pathSize) == 0)
        return true;
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
}

bool RunningProgramPath(char* path, size_t pathSize) {
    const DWORD length = GetModuleFileNameA(nullptr, path, static_cast<DWORD>(pathSize));
    if (length > 0 && length < pathSize)
        return true;
    SetLastError(length ? ERROR_FILENAME_EXCED_RANGE : GetLastError());
    return false;
}

bool IsRemovalFile(const char* relative) {
    return _stricmp(relative, UninstallProgramName) == 0 || _stricmp(relative, UninstallRecordName) == 0 ||
           _stricmp(relative, RecordTemporaryName) == 0;
}

bool WriteInstallRecord(const char* folder, const char* shortcutPath, uint64_t* installedBytes) {
    if (WriteRecordAndProgram(folder, shortcutPath, installedBytes))
        return true;
    const DWORD error = GetLastError();
    char path[MAX_PATH];
    for (const char* name : {UninstallProgramName, UninstallRecordName})
        if (RecordFilePath(folder, name, path, sizeof path))
            DeleteFileA(path);
    SetLastError(error);
    return false;
}
