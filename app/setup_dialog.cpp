// The setup dialog procedure and the install sequence it runs on confirmation.
#include "app/setup_dialog.h"
#include "app/setup_state.h"

#include <dde.h>
#include <direct.h>
#include <objbase.h>

#include <cstdio>

#include "base/globals.h"
#include "base/handles.h"
#include "base/screen.h"
#include "base/strings.h"
#include "install/download.h"
#include "install/failure_trail.h"
#include "install/ini_config.h"
#include "install/progman_dde.h"
#include "install/shortcut.h"
#include "progress/wait.h"
#include "resources/resource_ids.h"
#include "skin/bitmap.h"
#include "skin/bitmap_button.h"
#include "skin/controls.h"

std::array<char, InstallDirSize> InstallDir = {};
int ScreenClass = 0;
std::array<char, SetupInfPathSize> SetupInfPath = {};
std::array<char, MessageTextSize> MessageText = {};
HBITMAP DialogBackground = nullptr;
ColumnTable SetupColumnTable = {};
HCURSOR WaitCursor = nullptr;
HCURSOR SavedCursor = nullptr;

namespace {
constexpr const char* DefaultFolder = "C:\\LUDRA";
constexpr const char* AlternativeFolder = "C:\\LUDRA47";
constexpr const char* HiresSection = "[CONFIG_INI_HIRES]";
constexpr const char* LowresSection = "[CONFIG_INI_LOWRES]";
constexpr const char* ShortcutFileName = "\\LUDRA4.LNK";
constexpr const char* ShortcutDescription = "Ludra4";
constexpr size_t ProgramPathSize = 512;

bool SequenceRunning = false;

void ShowMessage(HWND dialog, UINT id, UINT icon) {
    StepMessageBox(dialog, LoadMessageText(id), AppCaption.data(), MB_OK | icon);
}

// Back to the folder field for another attempt: focused, whole text selected, drive restored.
void Refocus(HWND dialog, int savedDrive) {
    HWND edit = GetDlgItem(dialog, IDC_FOLDER);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SetCurrentDriveNumber(savedDrive);
}

// The shortcut is skipped when the Desktop folder is unknown or the path would not fit.
void PlaceDesktopShortcut() {
    char shortcutPath[ShortcutPathSize] = {};
    if (ReadDesktopFolder(shortcutPath) != 0 || shortcutPath[0] == '\0')
        return;
    if (!AppendBounded(shortcutPath, ShortcutFileName))
        return;
    char programPath[ProgramPathSize] = {};
    snprintf(programPath, sizeof programPath, "%s\\%s", InstallDir.data(), "LUDRA.EXE");
    CreateDesktopShortcut(programPath, shortcutPath, ShortcutDescription, InstallDir.data());
}

// The folder as typed, without its trailing blanks, made full against the current folder:
// every later step (the checks, the creation, the package, the INI, the shortcut, the group)
// then names the same folder, wherever the current folder moves meanwhile. False when the
// text does not resolve or its full path does not fit InstallDir.
bool ResolveInstallDir() {
    TrimTrailingBlanks(InstallDir.data());
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(InstallDir.data(), sizeof full, full, nullptr);
    if (length == 0)
        return false;
    if (length >= InstallDir.size()) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return CopyBounded(InstallDir.data(), InstallDir.size(), full) != 0;
}

// A step of the sequence failed: its trail (step null: the step left its own), its message, and
// the dialog back for another attempt.
void FailStep(HWND dialog, int savedDrive, const char* step, DWORD error, UINT messageId, UINT icon) {
    if (step)
        LeaveFailureTrail({step, error, 0, 0, 0});
    ShowMessage(dialog, messageId, icon);
    EnableSetupControls(dialog, TRUE);
    Refocus(dialog, savedDrive);
}

void RunInstallSequence(HWND dialog) {
    GetDlgItemTextA(dialog, IDC_FOLDER, InstallDir.data(), static_cast<int>(InstallDir.size()));
    if (IsBlankText(InstallDir.data()))
        return;

    const int savedDrive = GetCurrentDriveNumber();
    if (!ResolveInstallDir()) {
        FailStep(dialog, savedDrive, "folder", GetLastError(), IDS_FOLDER_NOT_CREATED, MB_ICONINFORMATION);
        return;
    }
    // The user sees the folder that is used, also when the dialog comes back after a failure.
    SetDlgItemTextA(dialog, IDC_FOLDER, InstallDir.data());
    if (SetCurrentDirectoryA(InstallDir.data())) {
        FailStep(dialog, savedDrive, "folder", ERROR_ALREADY_EXISTS, IDS_FOLDER_EXISTS, MB_ICONWARNING);
        return;
    }
    if (_mkdir(InstallDir.data()) != 0) {
        FailStep(dialog, savedDrive, "folder", GetLastError(), IDS_FOLDER_NOT_CREATED, MB_ICONINFORMATION);
        return;
    }

    EnableSetupControls(dialog, FALSE);
    SetCurrentDirectoryA(InstallDir.data());
    if (DownloadDemoPackage(dialog, InstallDir.data()) != 0) {
        FailStep(dialog, savedDrive, nullptr, 0, IDS_INSTALL_INCOMPLETE, MB_ICONINFORMATION);
        return;
    }

    JoinPath(InstallDir.data(), "SETUP.INF", SetupInfPath.data(), SetupInfPath.size());
    BeginBusyCursor();
    const char* section = ScreenClass > ScreenClassLow ? HiresSection : LowresSection;
    const bool configured = ConfigureIniFromInf(SetupInfPath.data(), section, InstallDir.data()) != 0;
    const DWORD error = GetLastError();
    EndBusyCursor();
    if (!configured) {
        FailStep(dialog, savedDrive, "configuration", error, IDS_INSTALL_INCOMPLETE, MB_ICONINFORMATION);
        return;
    }

    // COM stays initialised for the rest of the process.
    CoInitialize(nullptr);
    PlaceDesktopShortcut();
    SetCurrentDriveNumber(savedDrive);
    ShowMessage(dialog, IDS_INSTALL_DONE, MB_ICONINFORMATION);

    StartProgmanConversation(dialog, InstallDir.data());
    PostQuitMessage(0);
    EndDialog(dialog, 1);
}

INT_PTR OnSetupInit(HWND dialog) {
    PrepareDialogFrame(dialog);
    DialogBackground = LoadBitmapA(AppInstance, "SFONDO");
    SetDlgItemStyle(dialog, IDOK, OwnerDrawButtonStyle);
    SetDlgItemStyle(dialog, IDCANCEL, OwnerDrawButtonStyle);

    CopyBounded(InstallDir.data(), InstallDir.size(), DefaultFolder);
    // Testing C:\LUDRA leaves the current directory there when it exists.
    if (SetCurrentDirectoryA(InstallDir.data()))
        CopyBounded(InstallDir.data(), InstallDir.size(), AlternativeFolder);
    // The folder buffer holds 151 characters: the field takes no more.
    SendDlgItemMessageA(dialog, IDC_FOLDER, EM_LIMITTEXT, FolderTextLimit, 0);
    SetDlgItemTextA(dialog, IDC_FOLDER, InstallDir.data());

    ResetProgmanConversation();
    ScreenClass = GetScreenClass();
    return TRUE;
}

INT_PTR OnSetupPaint(HWND dialog) {
    PaintDc paint(dialog);
    DrawBitmap(paint.get(), DialogBackground, 0, 0);
    return TRUE;
}

INT_PTR OnSetupDrawItem(HWND dialog, const DRAWITEMSTRUCT* drawItem) {
    if (drawItem->CtlType == ODT_BUTTON) {
        DrawBitmapButton(AppInstance, dialog, drawItem);
        return TRUE;
    }
    return DrawMarkupItem(AppInstance, drawItem, &SetupColumnTable);
}

// A close of the program that came during the sequence ended it as a confirmed Cancel would; the
// dialog then ends the program as its Annulla does.
void OnConfirm(HWND dialog) {
    SequenceRunning = true;
    RunInstallSequence(dialog);
    SequenceRunning = false;
    if (ProgramEndRequested()) {
        PostQuitMessage(0);
        EndDialog(dialog, 1);
    }
}

INT_PTR OnSetupCommand(HWND dialog, int id) {
    switch (id) {
    case IDCANCEL:
        PostQuitMessage(0);
        EndDialog(dialog, 1);
        break;
    case IDOK: OnConfirm(dialog); break;
    }
    return TRUE;
}
} // namespace

INT_PTR CALLBACK SetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnSetupInit(dialog);
    case WM_PAINT: return OnSetupPaint(dialog);
    case WM_DRAWITEM: return OnSetupDrawItem(dialog, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_COMMAND: return OnSetupCommand(dialog, LOWORD(wParam));
    case WM_DDE_ACK: return OnProgmanAck(dialog, wParam, lParam);
    }
    return FALSE;
}

bool InstallSequenceRunning() {
    return SequenceRunning;
}

const char* LoadMessageText(UINT id) {
    MessageText[0] = '\0';
    LoadStringA(AppInstance, LOWORD(id), MessageText.data(), static_cast<int>(MessageText.size()));
    return MessageText.data();
}

void EnableSetupControls(HWND dialog, BOOL enable) {
    EnableWindow(GetDlgItem(dialog, IDCANCEL), enable);
    EnableWindow(GetDlgItem(dialog, IDOK), enable);
    EnableWindow(GetDlgItem(dialog, IDC_FOLDER), enable);
}

void BeginBusyCursor() {
    WaitCursor = LoadCursorA(nullptr, IDC_WAIT);
    SavedCursor = SetCursor(WaitCursor);
}

void EndBusyCursor() {
    SetCursor(SavedCursor);
}

int GetCurrentDriveNumber() {
    return _getdrive();
}

void SetCurrentDriveNumber(int drive) {
    _chdrive(drive);
}
