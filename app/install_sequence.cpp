// The install sequence: the steps in their order, and the one way out of a failed one.
#include "app/install_sequence.h"
#include "app/setup_state.h"

#include <direct.h>
#include <objbase.h>

#include <array>
#include <cstdio>
#include <cwchar>

#include "app/folder_rules.h"
#include "base/globals.h"
#include "base/screen.h"
#include "base/setup_log.h"
#include "base/strings.h"
#include "install/download.h"
#include "install/failure_trail.h"
#include "install/ini_config.h"
#include "install/install_record.h"
#include "install/progman_dde.h"
#include "install/shortcut.h"
#include "install/uninstall_entry.h"
#include "progress/wait.h"
#include "resources/resource_ids.h"

namespace {
constexpr const char* HiresSection = "[CONFIG_INI_HIRES]";
constexpr const char* LowresSection = "[CONFIG_INI_LOWRES]";
constexpr const wchar_t* ShortcutFileName = L"\\LUDRA4.LNK";
constexpr const char* ShortcutDescription = "Ludra4";
constexpr size_t ProgramPathSize = 512;
constexpr size_t LogTextSize = 300;

// How the last confirmation ended; a run that ends before one decided was cancelled.
ExitCode Outcome = ExitCode::Cancelled;

// What one confirmation works with; InstallDir and ScreenClass are the process's.
struct InstallSession {
    HWND dialog = nullptr;
    int savedDrive = 0;
    bool running = false;
    std::array<char, SetupInfPathSize> setupInfPath = {};
    std::array<char, MessageTextSize> messageText = {};
    std::array<char, ShortcutPathSize> shortcutPath = {}; // ANSI; empty until the shortcut is made
    HCURSOR waitCursor = nullptr;
    HCURSOR savedCursor = nullptr;
};
InstallSession Session;

// Why a step stopped the sequence: how the run ends, the step its trail names (null: the step left
// its own), the error code, and the message the user gets.
struct StepFailure {
    ExitCode outcome = ExitCode::Cancelled;
    const char* step = nullptr;
    DWORD error = 0;
    UINT messageId = IDS_INSTALL_INCOMPLETE;
    UINT icon = MB_ICONINFORMATION;
};

bool Fails(StepFailure& failure, ExitCode outcome, const char* step, DWORD error, UINT messageId,
           UINT icon = MB_ICONINFORMATION) {
    failure = {outcome, step, error, messageId, icon};
    return false;
}

void ShowMessage(UINT id, UINT icon) {
    StepMessageBox(Session.dialog, LoadMessageText(id), AppCaption.data(), MB_OK | icon);
}

size_t SystemFullPath(const char* text, char* full, size_t fullSize, void*) {
    return GetFullPathNameA(text, static_cast<DWORD>(fullSize), full, nullptr);
}

// The folder typed, made full, not there yet, and created (one level).
bool CreateFolder(StepFailure& failure) {
    switch (ApplyFolderRules(InstallDir.data(), SystemFullPath, nullptr, InstallDir.data(), InstallDir.size())) {
    case FolderVerdict::Accepted: break;
    case FolderVerdict::TooLong:
        return Fails(failure, ExitCode::FolderRefused, "folder", ERROR_FILENAME_EXCED_RANGE, IDS_FOLDER_NOT_CREATED);
    default: return Fails(failure, ExitCode::FolderRefused, "folder", GetLastError(), IDS_FOLDER_NOT_CREATED);
    }
    // The user sees the folder that is used, also when the dialog comes back after a failure.
    SetDlgItemTextA(Session.dialog, IDC_FOLDER, InstallDir.data());
    if (SetCurrentDirectoryA(InstallDir.data()))
        return Fails(failure, ExitCode::FolderExists, "folder", ERROR_ALREADY_EXISTS, IDS_FOLDER_EXISTS,
                     MB_ICONWARNING);
    if (_mkdir(InstallDir.data()) != 0)
        return Fails(failure, ExitCode::FolderRefused, "folder", GetLastError(), IDS_FOLDER_NOT_CREATED);
    return true;
}

// The download leaves its own trail and shows its own message before 2004.
bool DownloadIntoFolder(StepFailure& failure) {
    EnableSetupControls(Session.dialog, FALSE);
    SetCurrentDirectoryA(InstallDir.data());
    switch (DownloadDemoPackage(Session.dialog, InstallDir.data())) {
    case DownloadSucceeded: return true;
    case PackageRefused: return Fails(failure, ExitCode::PackageRefused, nullptr, 0, IDS_INSTALL_INCOMPLETE);
    case UnpackingFailed: return Fails(failure, ExitCode::UnpackingFailed, nullptr, 0, IDS_INSTALL_INCOMPLETE);
    default: return Fails(failure, ExitCode::DownloadFailed, nullptr, 0, IDS_INSTALL_INCOMPLETE);
    }
}

bool ConfigureIni(StepFailure& failure) {
    JoinPath(InstallDir.data(), "SETUP.INF", Session.setupInfPath.data(), Session.setupInfPath.size());
    BeginBusyCursor();
    const char* section = ScreenClass > ScreenClassLow ? HiresSection : LowresSection;
    const bool configured = ConfigureIniFromInf(Session.setupInfPath.data(), section, InstallDir.data()) != 0;
    const DWORD error = GetLastError();
    EndBusyCursor();
    return configured || Fails(failure, ExitCode::ConfigurationFailed, "configuration", error, IDS_INSTALL_INCOMPLETE);
}

bool AppendWide(wchar_t* text, size_t textSize, const wchar_t* tail) {
    const size_t length = std::wcslen(text);
    const size_t tailLength = std::wcslen(tail);
    if (length + tailLength >= textSize)
        return false;
    std::wmemcpy(text + length, tail, tailLength + 1);
    return true;
}

DWORD ShortcutError(HRESULT result) {
    return HRESULT_FACILITY(result) == FACILITY_WIN32 ? static_cast<DWORD>(HRESULT_CODE(result))
                                                      : static_cast<DWORD>(result);
}

// ERROR_SUCCESS, or why the Desktop has no shortcut: no Desktop folder, a path too long, a failed save.
DWORD WriteDesktopShortcut() {
    wchar_t shortcutPath[ShortcutPathSize] = {};
    if (ReadDesktopFolder(shortcutPath) != 0)
        return GetLastError();
    if (!AppendWide(shortcutPath, ShortcutPathSize, ShortcutFileName))
        return ERROR_FILENAME_EXCED_RANGE;
    char programPath[ProgramPathSize] = {};
    snprintf(programPath, sizeof programPath, "%s\\%s", InstallDir.data(), "LUDRA.EXE");
    const HRESULT result = CreateDesktopShortcut(programPath, shortcutPath, ShortcutDescription, InstallDir.data());
    if (FAILED(result))
        return ShortcutError(result);
    // Recorded for the removal, which needs it in ANSI as every path of the record.
    if (!WideCharToMultiByte(CP_ACP, 0, shortcutPath, -1, Session.shortcutPath.data(),
                             static_cast<int>(Session.shortcutPath.size()), nullptr, nullptr))
        Session.shortcutPath[0] = '\0';
    return ERROR_SUCCESS;
}

// The installation is complete without its shortcut: a missing one leaves only its trail.
bool PlaceDesktopShortcut(StepFailure&) {
    const DWORD error = WriteDesktopShortcut();
    if (error != ERROR_SUCCESS)
        LeaveFailureTrail({"shortcut", error, 0, 0, 0});
    return error == ERROR_SUCCESS;
}

// What the removal needs, and the entry in the list of installed programs. The installation is
// complete without them, as without its shortcut: a failure leaves only its trail.
bool RecordForRemoval(StepFailure&) {
    uint64_t installedBytes = 0;
    const bool recorded = WriteInstallRecord(InstallDir.data(), Session.shortcutPath.data(), &installedBytes) &&
                          RegisterUninstallEntry({InstallDir.data(), installedBytes}, nullptr, 0);
    if (!recorded)
        LeaveFailureTrail({"uninstall entry", GetLastError(), 0, 0, 0});
    return recorded;
}

// One step between its two log lines, the second with its outcome and duration.
bool RunStep(const char* name, bool (*step)(StepFailure&), StepFailure& failure) {
    char line[LogTextSize];
    snprintf(line, sizeof line, "Step %s started", name);
    LogLine(line);
    const ULONGLONG start = GetTickCount64();
    const bool done = step(failure);
    snprintf(line, sizeof line, "Step %s %s after %llu ms", name, done ? "succeeded" : "failed",
             static_cast<unsigned long long>(GetTickCount64() - start));
    LogLine(line);
    return done;
}

void Complete() {
    // COM stays initialised for the rest of the process.
    CoInitialize(nullptr);
    StepFailure ignored;
    RunStep("shortcut", PlaceDesktopShortcut, ignored);
    RunStep("uninstall entry", RecordForRemoval, ignored);
    SetCurrentDriveNumber(Session.savedDrive);
    Outcome = ExitCode::Completed;
    ShowMessage(IDS_INSTALL_DONE, MB_ICONINFORMATION);
    LogLine("Step group: asked of Program Manager");
    StartProgmanConversation(Session.dialog, InstallDir.data());
    PostQuitMessage(0);
    EndDialog(Session.dialog, 1);
}

// The one way out of a failed step: its trail, its message, and the folder field back for another
// attempt (focused, whole text selected, drive restored).
void Fail(const StepFailure& failure) {
    // Annulla confirmed, or the program closed, ended the step whatever it reports.
    Outcome = WaitWasCancelled() ? ExitCode::Cancelled : failure.outcome;
    if (failure.step)
        LeaveFailureTrail({failure.step, failure.error, 0, 0, 0});
    ShowMessage(failure.messageId, failure.icon);
    EnableSetupControls(Session.dialog, TRUE);
    HWND edit = GetDlgItem(Session.dialog, IDC_FOLDER);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SetCurrentDriveNumber(Session.savedDrive);
}
} // namespace

void RunInstallSequence(HWND dialog) {
    GetDlgItemTextA(dialog, IDC_FOLDER, InstallDir.data(), static_cast<int>(InstallDir.size()));
    if (IsBlankText(InstallDir.data())) {
        Outcome = ExitCode::FolderRefused;
        return;
    }
    Session = InstallSession();
    Session.dialog = dialog;
    Session.savedDrive = GetCurrentDriveNumber();
    Session.running = true;
    char line[LogTextSize];
    snprintf(line, sizeof line, "Folder: %s, screen class %d", InstallDir.data(), ScreenClass);
    LogLine(line);
    StepFailure failure;
    if (RunStep("folder", CreateFolder, failure) && RunStep("download", DownloadIntoFolder, failure) &&
        RunStep("configuration", ConfigureIni, failure))
        Complete();
    else
        Fail(failure);
    Session.running = false;
}

bool InstallSequenceRunning() {
    return Session.running;
}

ExitCode InstallOutcome() {
    return Outcome;
}

const char* LoadMessageText(UINT id) {
    Session.messageText[0] = '\0';
    LoadStringA(AppInstance, LOWORD(id), Session.messageText.data(), static_cast<int>(Session.messageText.size()));
    return Session.messageText.data();
}

void EnableSetupControls(HWND dialog, BOOL enable) {
    EnableWindow(GetDlgItem(dialog, IDCANCEL), enable);
    EnableWindow(GetDlgItem(dialog, IDOK), enable);
    EnableWindow(GetDlgItem(dialog, IDC_FOLDER), enable);
}

void BeginBusyCursor() {
    Session.waitCursor = LoadCursorA(nullptr, IDC_WAIT);
    Session.savedCursor = SetCursor(Session.waitCursor);
}

void EndBusyCursor() {
    SetCursor(Session.savedCursor);
}

int GetCurrentDriveNumber() {
    return _getdrive();
}

void SetCurrentDriveNumber(int drive) {
    _chdrive(drive);
}
