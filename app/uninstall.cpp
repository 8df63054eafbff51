// Removing Ludra 4.7: the record beside the program says what the installation put down; only what
// the user left unchanged goes.
#include "app/uninstall.h"

#include <dde.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/start_command.h"
#include "base/globals.h"
#include "base/kernel_handles.h"
#include "base/message_params.h"
#include "base/setup_log.h"
#include "install/failure_trail.h"
#include "install/install_record.h"
#include "install/progman_dde.h"
#include "install/removal.h"
#include "install/uninstall_entry.h"
#include "install/uninstall_record.h"
#include "progress/wait.h"

namespace {
// The texts with the folder in them, in two halves around it.
constexpr const char* RemoveQuestion[] = {"Vuoi rimuovere Ludra 4.7 dalla cartella ", "?"};
constexpr const char* RemovedText = "Ludra 4.7 e' stato rimosso.";
constexpr const char* RemovedKeptText[] = {
    "Ludra 4.7 e' stato rimosso.\n\nI file modificati dopo l'installazione sono stati conservati in ", "."};
constexpr const char* RemovalIncompleteText = "Attenzione! La rimozione di Ludra 4.7 non e' stata completata.";
constexpr const char* CleanupProgramName = "Ludra47 Uninstall.exe";
constexpr const char* ConversationClass = "Ludra Uninstall";
constexpr size_t UninstallTextSize = 512;
// Program Manager's acknowledgement, and the end of the removal's process, are waited for this long.
constexpr DWORD ConversationBoundMs = 3000;
constexpr DWORD RemovalEndBoundMs = 60000;
constexpr DWORD ProgramDeleteBoundMs = 5000;
constexpr DWORD RetryPauseMs = 100;

bool ProgramFolder(char* folder, size_t folderSize) {
    if (!RunningProgramPath(folder, folderSize))
        return false;
    char* name = std::strrchr(folder, '\\');
    if (!name)
        return false;
    *name = '\0';
    return true;
}

void ShowText(const char* text, UINT style) {
    StepMessageBox(nullptr, text, AppCaption.data(), style);
}

int ShowWithFolder(const char* const (&halves)[2], const char* folder, UINT style) {
    const std::string text = std::string(halves[0]) + folder + halves[1];
    return StepMessageBox(nullptr, text.c_str(), AppCaption.data(), style);
}

RecordStatus ReadRecord(const char* folder, UninstallRecord* record) {
    char path[MAX_PATH];
    if (!RecordFilePath(folder, UninstallRecordName, path, sizeof path))
        return RecordStatus::NotARecord;
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size = {};
    if (!file.valid() || !GetFileSizeEx(file.get(), &size))
        return RecordStatus::NotARecord;
    if (size.QuadPart > static_cast<LONGLONG>(RecordTextLimit))
        return RecordStatus::TooLarge;
    std::string text(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!text.empty() &&
        (!ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &read, nullptr) || read != text.size()))
        return RecordStatus::NotARecord;
    return ReadUninstallRecord(text.data(), text.size(), record);
}

LRESULT CALLBACK ConversationWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DDE_ACK)
        return OnProgmanAck(window, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

// [DeleteGroup("...")] to Program Manager from a hidden window, its acknowledgement waited for
// within a bound, as the installation's own conversation is bounded.
void DeleteProgramGroup(const char* group) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ConversationWndProc;
    windowClass.hInstance = AppInstance;
    windowClass.lpszClassName = ConversationClass;
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowExA(0, ConversationClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, AppInstance, nullptr);
    if (!window)
        return;
    ResetProgmanConversation();
    StartProgmanDeleteGroup(window, group);
    const ULONGLONG start = GetTickCount64();
    while (!ProgmanConversationOver() && GetTickCount64() - start < ConversationBoundMs)
        WaitPumping(nullptr, RetryPauseMs, false);
    LogLine(ProgmanConversationOver() ? "Program group: DeleteGroup acknowledged or no Program Manager"
                                      : "Program group: no acknowledgement in time");
    DestroyWindow(window);
}

// The copy of an earlier removal may still be running for a moment after its work is done: its
// file is replaced once it has ended.
bool CopyOverEndingCleanup(const char* program, const char* copy) {
    const ULONGLONG start = GetTickCount64();
    while (!CopyFileA(program, copy, FALSE)) {
        if (GetTickCount64() - start >= ProgramDeleteBoundMs)
            return false;
        Sleep(RetryPauseMs);
    }
    return true;
}

// A copy of the program in the temporary folder, which deletes LDUNINST.EXE once this process has
// ended: a running program cannot delete its own file. The copy has a fixed name, so that at most
// one stays behind.
bool StartCleanupCopy(const char* folder) {
    char program[MAX_PATH];
    char temporary[MAX_PATH];
    char copy[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof temporary, temporary);
    if (!RunningProgramPath(program, sizeof program) || length == 0 || length >= sizeof temporary ||
        std::snprintf(copy, sizeof copy, "%s%s", temporary, CleanupProgramName) >= static_cast<int>(sizeof copy) ||
        !CopyOverEndingCleanup(program, copy))
        return false;
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, TRUE, 0))
        return false;
    char commandLine[UninstallTextSize];
    std::snprintf(commandLine, sizeof commandLine, "\"%s\" /VERYSILENT /CLEANUP=%llx /DIR=\"%s\"", copy,
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(self)), folder);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    // The handle to this process stays open until it ends: the copy waits on its own inherited one.
    if (!CreateProcessA(copy, commandLine, nullptr, nullptr, TRUE, 0, nullptr, temporary, &startup, &started))
        return false;
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}

// The entry, the record and the program go last, once nothing else is left to try again.
bool RemoveRegistration(const char* folder) {
    char path[MAX_PATH];
    if (!RemoveUninstallEntry(folder)) {
        LeaveFailureTrail({"uninstall entry", GetLastError(), 0, 0, 0});
        return false;
    }
    if (!RecordFilePath(folder, UninstallRecordName, path, sizeof path) || !DeleteFileA(path)) {
        LeaveFailureTrail({"uninstall record", GetLastError(), 0, 0, 0});
        return false;
    }
    if (!StartCleanupCopy(folder))
        LeaveFailureTrail({"uninstall program", GetLastError(), 0, 0, 0});
    return true;
}

bool RemoveInstallation(const char* folder, const UninstallRecord& record, int* kept) {
    const RemovalReport report = RemoveRecordedFiles(folder, record);
    CoInitialize(nullptr);
    const bool shortcutGone = !record.shortcut[0] || RemoveShortcutIfOurs(record.shortcut.data(), folder);
    if (record.group[0])
        DeleteProgramGroup(record.group.data());
    char line[UninstallTextSize];
    std::snprintf(line, sizeof line, "Files removed %d, kept %d, not removed %d", report.removed, report.kept,
                  report.failed);
    LogLine(line);
    *kept = report.kept;
    return report.failed == 0 && shortcutGone && RemoveRegistration(folder);
}
} // namespace

int RunUninstall() {
    char folder[MAX_PATH];
    UninstallRecord record;
    const bool found = ProgramFolder(folder, sizeof folder);
    char line[UninstallTextSize];
    std::snprintf(line, sizeof line, "Removal of the installation in %s", found ? folder : "(unknown folder)");
    LogLine(line);
    if (!found || ReadRecord(folder, &record) != RecordStatus::Ok) {
        LogLine("Uninstall record: missing or not readable; nothing is removed");
        ShowText(RemovalIncompleteText, MB_OK | MB_ICONWARNING);
        return static_cast<int>(ExitCode::NoUninstallRecord);
    }
    if (!UnattendedRun() && ShowWithFolder(RemoveQuestion, folder, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return static_cast<int>(ExitCode::Cancelled);
    int kept = 0;
    if (!RemoveInstallation(folder, record, &kept)) {
        ShowText(RemovalIncompleteText, MB_OK | MB_ICONWARNING);
        return static_cast<int>(ExitCode::RemovalIncomplete);
    }
    if (kept > 0)
        ShowWithFolder(RemovedKeptText, folder, MB_OK | MB_ICONINFORMATION);
    else
        ShowText(RemovedText, MB_OK | MB_ICONINFORMATION);
    return static_cast<int>(ExitCode::Completed);
}

int RunCleanup() {
    // The removal's handle, inherited, arrives as a number on the command line.
    const auto removal = CarriedPointer<HANDLE>(static_cast<uintptr_t>(StartCommand.cleanupHandle));
    WaitForSingleObject(removal, RemovalEndBoundMs);
    CloseHandle(removal);
    char program[MAX_PATH];
    if (!RecordFilePath(StartCommand.folder.data(), UninstallProgramName, program, sizeof program))
        return static_cast<int>(ExitCode::RemovalIncomplete);
    // The ended process's image may stay mapped for a moment.
    const ULONGLONG start = GetTickCount64();
    while (!DeleteFileA(program) && GetLastError() != ERROR_FILE_NOT_FOUND &&
           GetTickCount64() - start < ProgramDeleteBoundMs)
        Sleep(RetryPauseMs);
    const bool deleted = GetFileAttributesA(program) == INVALID_FILE_ATTRIBUTES;
    // Only an empty folder goes: the removal left there what the user changed.
    RemoveDirectoryA(StartCommand.folder.data());
    return static_cast<int>(deleted ? ExitCode::Completed : ExitCode::RemovalIncomplete);
}
