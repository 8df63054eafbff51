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
#include "base/strings.h"
#include "install/download.h"
#include "install/failure_trail.h"
#include "install/ini_config.h"
#include "install/progman_dde.h"
#include "install/shortcut.h"
#include "progress/wait.h"
#include "resources/resource_ids.h"

namespace {
constexpr const char* HiresSection = "[CONFIG_INI_HIRES]";
constexpr const char* LowresSection = "[CONFIG_INI_LOWRES]";
constexpr const wchar_t* ShortcutFileName = L"\\LUDRA4.LNK";
constexpr const char* ShortcutDescription = "Ludra4";
constexpr size_t ProgramPathSize = 512;

// What one confirmation works with; InstallDir and ScreenClass are the process's.
struct InstallSession {
    HWND dialog = nullptr;
    int savedDrive = 0;
    bool running = false;
    std::array<char, SetupInfPathSize> setupInfPath = {};
    std::array<char, MessageTextSize> messageText = {};
    HCURSOR waitCursor = nullptr;
    HCURSOR savedCursor = nullptr;
};
InstallSession Session;

// Why a step stopped the sequence: the step its trail names (null: the step left its own),
// the error code, and the message the user gets.
struct StepFailure {
    const char* step = nullptr;
    DWORD error = 0;
    UINT messageId = IDS_INSTALL_INCOMPLETE;
    UINT icon = MB_ICONINFORMATION;
};

bool Fails(StepFailure& failure, const char* step, DWORD error, UINT messageId, UINT icon = MB_ICONINFORMATION) {
    failure = {step, error, messageId, icon};
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
    case FolderVerdict::TooLong: return Fails(failure, "folder", ERROR_FILENAME_EXCED_RANGE, IDS_FOLDER_NOT_CREATED);
    default: return Fails(failure, "folder", GetLastError(), IDS_FOLDER_NOT_CREATED);
    }
    // The user sees the folder that is used, also when the dialog comes back after a failure.
    SetDlgItemTextA(Session.dialog, IDC_FOLDER, InstallDir.data());
    if (SetCurrentDirectoryA(InstallDir.data()))
        return Fails(failure, "folder", ERROR_ALREADY_EXISTS, IDS_FOLDER_EXISTS, MB_ICONWARNING);
    if (_mkdir(InstallDir.data()) != 0)
        return Fails(failure, "folder", GetLastError(), IDS_FOLDER_NOT_CREATED);
    return true;
}

// The download leaves its own trail and shows its own message before 2004.
bool DownloadIntoFolder(StepFailure& failure) {
    EnableSetupControls(Session.dialog, FALSE);
    SetCurrentDirectoryA(InstallDir.data());
    if (DownloadDemoPackage(Session.dialog, InstallDir.data()) != 0)
        return Fails(failure, nullptr, 0, IDS_INSTALL_INCOMPLETE);
    return true;
}

bool ConfigureIni(StepFailure& failure) {
    JoinPath(InstallDir.data(), "SETUP.INF", Session.setupInfPath.data(), Session.setupInfPath.size());
    BeginBusyCursor();
    const char* section = ScreenClass > ScreenClassLow ? HiresSection : LowresSection;
    const bool configured = ConfigureIniFromInf(Session.setupInfPath.data(), section, InstallDir.data()) != 0;
    const DWORD error = GetLastError();
    EndBusyCursor();
    return configured || Fails(failure, "configuration", error, IDS_INSTALL_INCOMPLETE);
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
    return SUCCEEDED(result) ? ERROR_SUCCESS : ShortcutError(result);
}

// The installation is complete without its shortcut: a missing one leaves only its trail.
void PlaceDesktopShortcut() {
    const DWORD error = WriteDesktopShortcut();
    if (error != ERROR_SUCCESS)
        LeaveFailureTrail({"shortcut", error, 0, 0, 0});
}

void Complete() {
    // COM stays initialised for the rest of the process.
    CoInitialize(nullptr);
    PlaceDesktopShortcut();
    SetCurrentDriveNumber(Session.savedDrive);
    ShowMessage(IDS_INSTALL_DONE, MB_ICONINFORMATION);
    StartProgmanConversation(Session.dialog, InstallDir.data());
    PostQuitMessage(0);
    EndDialog(Session.dialog, 1);
}

// The one way out of a failed step: its trail, its message, and the folder field back for another
// attempt (focused, whole text selected, drive restored).
void Fail(const StepFailure& failure) {
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
    if (IsBlankText(InstallDir.data()))
        return;
    Session = InstallSession();
    Session.dialog = dialog;
    Session.savedDrive = GetCurrentDriveNumber();
    Session.running = true;
    StepFailure failure;
    if (CreateFolder(failure) && DownloadIntoFolder(failure) && ConfigureIni(failure))
        Complete();
    else
        Fail(failure);
    Session.running = false;
}

bool InstallSequenceRunning() {
    return Session.running;
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
