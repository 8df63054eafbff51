// The setup dialog procedure: the proposed folder, the skinned face, and the confirmation that runs
// the install sequence.
#include "app/setup_dialog.h"
#include "app/setup_state.h"

#include <dde.h>

#include "app/install_sequence.h"
#include "app/start_command.h"
#include "base/globals.h"
#include "base/gdi_handles.h"
#include "base/message_params.h"
#include "base/screen.h"
#include "base/strings.h"
#include "install/progman_dde.h"
#include "progress/wait.h"
#include "resources/resource_ids.h"
#include "skin/bitmap.h"
#include "skin/bitmap_button.h"
#include "skin/controls.h"

std::array<char, InstallDirSize> InstallDir = {};
int ScreenClass = 0;

namespace {
constexpr const char* DefaultFolder = "C:\\LUDRA";
constexpr const char* AlternativeFolder = "C:\\LUDRA47";

// Loaded at initialisation and kept for the rest of the process.
HBITMAP DialogBackground = nullptr;
// Zero, never filled: what the markup renderer is given for the dialog's own items.
ColumnTable SetupColumnTable = {};

// Every way out of the dialog ends the program: the main loop ends as soon as the dialog is gone.
void EndSetup(HWND dialog) {
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
    // The folder the command line names is proposed instead; the sequence applies its rules.
    if (StartCommand.folderGiven)
        CopyBounded(InstallDir.data(), InstallDir.size(), StartCommand.folder.data());
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
// dialog then ends the program as its Annulla does. A silent run has no second attempt.
void OnConfirm(HWND dialog) {
    RunInstallSequence(dialog);
    if (ProgramEndRequested() || UnattendedRun())
        EndSetup(dialog);
}

INT_PTR OnSetupCommand(HWND dialog, int id) {
    switch (id) {
    case IDCANCEL: EndSetup(dialog); break;
    case IDOK: OnConfirm(dialog); break;
    }
    return TRUE;
}
} // namespace

INT_PTR CALLBACK SetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnSetupInit(dialog);
    case WM_PAINT: return OnSetupPaint(dialog);
    case WM_DRAWITEM: return OnSetupDrawItem(dialog, CarriedPointer<const DRAWITEMSTRUCT*>(lParam));
    case WM_COMMAND: return OnSetupCommand(dialog, LOWORD(wParam));
    case WM_DDE_ACK: return OnProgmanAck(dialog, wParam, lParam);
    }
    return FALSE;
}
