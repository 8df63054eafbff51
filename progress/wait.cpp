// The process-wide wait: owner disabled and hourglass from BeginWait to EndWait, the wait dialog
// created by the first text, and the message pump that long steps call between units of work.
#include "progress/wait.h"

#include <cstdio>
#include <cstring>

#include "base/globals.h"
#include "base/strings.h"
#include "progress/wait_state.h"
#include "resources/resource_ids.h"
#include "skin/status_bar.h"

HWND WaitOwner = nullptr;
std::array<char, WaitTitleSize> WaitTitle = {};
HWND WaitDialog = nullptr;
int WaitActive = 0;
int WaitCancelled = 0;
HBRUSH PanelBrush = nullptr;
std::array<char, AnimationSpecSize> AnimationSpec = {};

namespace {
HCURSOR ReplacedCursor = nullptr;
constexpr size_t PercentTextSize = 16;
// Texts up to this length are compared with what a field shows before they are set again.
constexpr size_t WaitTextCompareSize = 512;

void DestroyWaitDialog() {
    if (WaitDialog) {
        DestroyWindow(WaitDialog);
        WaitDialog = nullptr;
    }
}

void CreateWaitDialog() {
    WaitDialog = CreateDialogParamA(AppInstance, MAKEINTRESOURCEA(IDD_WAIT), WaitOwner, WaitDlgProc, 0);
    if (!WaitDialog)
        return;
    ShowWindow(WaitDialog, SW_SHOW);
    SetCursor(ReplacedCursor);
}

// A message for the wait dialog goes through its keyboard handling; a thread message (WM_QUIT
// among them) is dropped, so a quit request cannot end the program's loop in the middle of a step.
void HandlePumpedMessage(MSG& message) {
    if (WaitDialog && IsDialogMessageA(WaitDialog, &message))
        return;
    if (!message.hwnd)
        return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}
} // namespace

void BeginWait(HWND owner, const char* title) {
    // A wait begun without ending the previous one must not leave that one's dialog behind.
    DestroyWaitDialog();
    WaitOwner = owner;
    if (owner)
        EnableWindow(owner, FALSE);
    CopyBounded(WaitTitle.data(), WaitTitle.size(), title ? title : "");
    WaitCancelled = 0;
    ReplacedCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    WaitActive = 1;
}

void EndWait() {
    // The owner is enabled before the dialog goes, so the activation returns to it.
    if (WaitOwner) {
        EnableWindow(WaitOwner, TRUE);
        SetFocus(WaitOwner);
    }
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    WaitActive = 0;
    DestroyWaitDialog();
}

namespace {
bool ControlShowsText(HWND control, const char* text) {
    const size_t length = std::strlen(text);
    if (static_cast<size_t>(GetWindowTextLengthA(control)) != length || length >= WaitTextCompareSize)
        return false;
    char shown[WaitTextCompareSize];
    GetWindowTextA(control, shown, sizeof shown);
    return std::strcmp(shown, text) == 0;
}
} // namespace

int SetWaitItemText(int controlId, const char* text) {
    if (!WaitActive)
        return 1;
    if (!WaitDialog)
        CreateWaitDialog();
    if (!WaitDialog)
        return 1;
    // The download repeats its status for every block: a text the field already shows is not
    // set again, which would only make the edit control lay it out and paint it anew.
    HWND field = GetDlgItem(WaitDialog, controlId);
    if (!ControlShowsText(field, text ? text : ""))
        SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : ""));
    HWND cancel = GetDlgItem(WaitDialog, IDC_WAIT_CANCEL);
    EnableWindow(cancel, TRUE);
    UpdateWindow(cancel);
    return 1;
}

int SetWaitStatus(const char* text) {
    return SetWaitItemText(IDC_WAIT_STATUS, text);
}

int SetWaitDetail(const char* text) {
    return SetWaitItemText(IDC_WAIT_DETAIL, text);
}

int SetWaitPercent(int percent) {
    if (!WaitDialog)
        return 1;
    HWND bar = GetDlgItem(WaitDialog, IDC_WAIT_PERCENT);
    if (!(GetWindowLongPtrA(bar, GWL_STYLE) & WS_VISIBLE))
        ShowWindow(bar, SW_SHOW);
    char text[PercentTextSize];
    snprintf(text, sizeof text, "%d", percent);
    SendMessageA(bar, SetPercentMessage, 0, reinterpret_cast<LPARAM>(text));
    return 1;
}

int PumpMessages() {
    if (WaitCancelled)
        return WaitCancelled;
    MSG message = {};
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        HandlePumpedMessage(message);
        if (WaitCancelled)
            return WaitCancelled;
    }
    return WaitCancelled;
}
