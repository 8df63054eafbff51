// The process-wide wait: owner disabled and hourglass from BeginWait to EndWait, the wait dialog
// created by the first text, and the message pump that long steps call between units of work.
#include "progress/wait.h"

#include <cstdio>
#include <cstring>

#include "base/globals.h"
#include "base/setup_log.h"
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
// Set once the program is being closed while a step runs; with EndQuietly no box is shown.
bool EndRequested = false;
bool EndQuietly = false;
// An unattended run: step boxes are not shown; unseen, no window of the wait is either.
bool Unattended = false;
bool Unseen = false;
// A WM_QUIT the pump took during a wait: it is posted again when the wait ends.
bool QuitTaken = false;
WPARAM QuitCode = 0;
// A message box's text control; the program's own dialogs have none.
constexpr int MessageBoxTextId = 0xFFFF;
constexpr size_t PercentTextSize = 16;
// Texts up to this length are remembered and not set again while unchanged.
constexpr size_t WaitTextMemorySize = 512;
constexpr int NoPercentShown = -1;
constexpr size_t MessageLogLineSize = 600;

// What the wait dialog's controls are and what was last put into them, so that a step that
// reports the same text and percentage for every block costs no window traffic. Reset with
// every dialog.
struct ShownState {
    HWND status = nullptr;
    HWND detail = nullptr;
    HWND cancel = nullptr;
    HWND bar = nullptr;
    bool barShown = false;
    bool cancelEnabled = false;
    int percent = NoPercentShown;
    char statusText[WaitTextMemorySize] = {};
    char detailText[WaitTextMemorySize] = {};
    bool statusKnown = false;
    bool detailKnown = false;
};
ShownState Shown;

void DestroyWaitDialog() {
    if (WaitDialog)
        DestroyWindow(WaitDialog);
    WaitDialog = nullptr;
    Shown = ShownState();
}

// A quit request must reach the program's main loop: taken by a pump, it is posted again once
// no wait holds it back.
void RepostQuit() {
    if (!QuitTaken)
        return;
    QuitTaken = false;
    PostQuitMessage(static_cast<int>(QuitCode));
}

BOOL CALLBACK AnswerOpenBox(HWND window, LPARAM) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0 || !GetDlgItem(window, MessageBoxTextId))
        return TRUE;
    const int answer = GetDlgItem(window, IDYES) ? IDYES : GetDlgItem(window, IDOK) ? IDOK : IDCANCEL;
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    return TRUE;
}

bool CancelHeard(bool hearCancel) {
    return hearCancel && (WaitActive || EndRequested) && WaitCancelled;
}

void CreateWaitDialog() {
    Shown = ShownState();
    WaitDialog = CreateDialogParamA(AppInstance, MAKEINTRESOURCEA(IDD_WAIT), WaitOwner, WaitDlgProc, 0);
    if (!WaitDialog)
        return;
    Shown.status = GetDlgItem(WaitDialog, IDC_WAIT_STATUS);
    Shown.detail = GetDlgItem(WaitDialog, IDC_WAIT_DETAIL);
    Shown.cancel = GetDlgItem(WaitDialog, IDC_WAIT_CANCEL);
    Shown.bar = GetDlgItem(WaitDialog, IDC_WAIT_PERCENT);
    if (!Unseen)
        ShowWindow(WaitDialog, SW_SHOW);
    SetCursor(ReplacedCursor);
}

// A message for the wait dialog goes through its keyboard handling; a thread message is dropped.
// WM_QUIT is kept back until the wait ends, so a quit request cannot end the program's loop in the
// middle of a step, and is not lost either.
void HandlePumpedMessage(MSG& message) {
    if (message.message == WM_QUIT) {
        QuitTaken = true;
        QuitCode = message.wParam;
        return;
    }
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
    WaitCancelled = EndRequested ? 1 : 0;
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
    RepostQuit();
}

void ForgetWaitDialog(HWND dialog) {
    if (dialog == WaitDialog) {
        WaitDialog = nullptr;
        Shown = ShownState();
    }
}

void RequestProgramEnd(bool quietly) {
    EndRequested = true;
    WaitCancelled = 1;
    if (quietly) {
        EndQuietly = true;
        EnumThreadWindows(GetCurrentThreadId(), AnswerOpenBox, 0);
    }
}

bool ProgramEndRequested() {
    return EndRequested;
}

bool WaitWasCancelled() {
    return WaitCancelled != 0 || EndRequested;
}

void BeginUnattendedRun(bool unseen) {
    Unattended = true;
    Unseen = unseen;
}

namespace {
const char* AnswerName(int answer) {
    switch (answer) {
    case IDOK: return "OK";
    case IDYES: return "Yes";
    case IDNO: return "No";
    case IDCANCEL: return "Cancel";
    }
    return "none";
}

// The box, shown or not, as one log line: its line ends written as \n, so it stays one line.
int LoggedMessageBox(bool show, HWND owner, const char* text, const char* caption, UINT style) {
    const int answer = show ? MessageBoxA(owner, text, caption, style) : 0;
    char line[MessageLogLineSize];
    const int start = show ? std::snprintf(line, sizeof line, "Message shown (answer %s): ", AnswerName(answer))
                           : std::snprintf(line, sizeof line, "Message not shown: ");
    size_t length = start > 0 ? static_cast<size_t>(start) : 0;
    for (const char* c = text; *c && length + 3 < sizeof line; ++c) {
        if (*c == '\n') {
            line[length++] = '\\';
            line[length++] = 'n';
        } else if (*c != '\r')
            line[length++] = *c;
    }
    line[length] = '\0';
    LogLine(line);
    return answer;
}
} // namespace

int StepMessageBox(HWND owner, const char* text, const char* caption, UINT style) {
    return LoggedMessageBox(!EndQuietly && !Unattended, owner, text, caption, style);
}

int PersonMessageBox(HWND owner, const char* text, const char* caption, UINT style) {
    return LoggedMessageBox(!EndQuietly, owner, text, caption, style);
}

namespace {
// The text a field was last given, when it is remembered; null for other fields.
HWND FieldFor(int controlId, char** memory, bool** known) {
    if (controlId == IDC_WAIT_STATUS) {
        *memory = Shown.statusText;
        *known = &Shown.statusKnown;
        return Shown.status;
    }
    if (controlId == IDC_WAIT_DETAIL) {
        *memory = Shown.detailText;
        *known = &Shown.detailKnown;
        return Shown.detail;
    }
    *memory = nullptr;
    *known = nullptr;
    return GetDlgItem(WaitDialog, controlId);
}

// Sets the text unless the field was last given the same one; true when it was set.
bool SetFieldText(int controlId, const char* text) {
    char* memory = nullptr;
    bool* known = nullptr;
    HWND field = FieldFor(controlId, &memory, &known);
    if (memory && *known && std::strcmp(memory, text) == 0)
        return false;
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    if (memory) {
        const size_t length = std::strlen(text);
        *known = length < WaitTextMemorySize;
        if (*known)
            std::memcpy(memory, text, length + 1);
    }
    return true;
}
} // namespace

int SetWaitItemText(int controlId, const char* text) {
    if (!WaitActive)
        return 1;
    if (!WaitDialog)
        CreateWaitDialog();
    if (!WaitDialog)
        return 1;
    // The download repeats its status for every block: an unchanged text is not set again, and
    // Cancel, enabled and painted with the first text, needs nothing more until a text changes.
    const bool changed = SetFieldText(controlId, text ? text : "");
    if (changed || !Shown.cancelEnabled) {
        EnableWindow(Shown.cancel, TRUE);
        UpdateWindow(Shown.cancel);
        Shown.cancelEnabled = true;
    }
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
    if (!Shown.barShown) {
        if (!(GetWindowLongPtrA(Shown.bar, GWL_STYLE) & WS_VISIBLE))
            ShowWindow(Shown.bar, SW_SHOW);
        Shown.barShown = true;
    }
    // The bar is sent a value only when it differs from the last one it was sent.
    if (percent == Shown.percent)
        return 1;
    char text[PercentTextSize];
    snprintf(text, sizeof text, "%d", percent);
    SendMessageA(Shown.bar, SetPercentMessage, 0, reinterpret_cast<LPARAM>(text));
    Shown.percent = percent;
    return 1;
}

int PumpMessages() {
    if (WaitCancelled)
        return WaitCancelled;
    MSG message = {};
    while (!WaitCancelled && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        HandlePumpedMessage(message);
    // Outside a wait nothing holds a quit request back.
    if (!WaitActive)
        RepostQuit();
    return WaitCancelled;
}

namespace {
WaitOutcome WaitPumpingOnce(HANDLE object, DWORD timeoutMs, bool hearCancel) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        if (CancelHeard(hearCancel))
            return WaitOutcome::Cancelled;
        const ULONGLONG spent = GetTickCount64() - start;
        if (spent >= timeoutMs)
            return WaitOutcome::TimedOut;
        const DWORD remaining = static_cast<DWORD>(timeoutMs - spent);
        const DWORD woken = MsgWaitForMultipleObjectsEx(object ? 1 : 0, object ? &object : nullptr, remaining,
                                                        QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (object && woken == WAIT_OBJECT_0)
            return WaitOutcome::Signalled;
        if (woken == WAIT_TIMEOUT)
            return WaitOutcome::TimedOut;
        if (woken == WAIT_FAILED)
            return WaitOutcome::Failed;
        MSG message = {};
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            HandlePumpedMessage(message);
            if (CancelHeard(hearCancel))
                return WaitOutcome::Cancelled;
        }
        // Until the dialog shows, the wait looks as it began: the hourglass, whatever a window
        // under the mouse asked for meanwhile.
        if (WaitActive && !WaitDialog)
            SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    }
}
} // namespace

WaitOutcome WaitPumping(HANDLE object, DWORD timeoutMs, bool hearCancel) {
    const WaitOutcome outcome = WaitPumpingOnce(object, timeoutMs, hearCancel);
    // Posted only now: a quit message waiting in the queue would wake every wait at once.
    if (!WaitActive)
        RepostQuit();
    return outcome;
}
