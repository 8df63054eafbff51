// Wait-dialog observation for the download tests.
#include "dialog_watch.h"

#include <algorithm>
#include <cstring>
#include "base/globals.h"
#include "progress/wait.h"
#include "progress/wait_state.h"
#include "resources/resource_ids.h"
#include "skin/status_bar.h"

namespace {
WaitDialogWatch* ActiveWatch = nullptr;
} // namespace

WaitDialogWatch::WaitDialogWatch(bool pressCancel)
    : pressCancel_(pressCancel), dialog_(nullptr),
      cbtHook_(SetWindowsHookExA(WH_CBT, OnCbt, nullptr, GetCurrentThreadId())),
      callHook_(SetWindowsHookExA(WH_CALLWNDPROC, OnCallWndProc, nullptr, GetCurrentThreadId())), statuses_(),
      percents_() {
    ActiveWatch = this;
}

WaitDialogWatch::~WaitDialogWatch() {
    ActiveWatch = nullptr;
    UnhookWindowsHookEx(callHook_);
    UnhookWindowsHookEx(cbtHook_);
}

// The wait dialog is the first dialog the step creates; message boxes come after it.
LRESULT CALLBACK WaitDialogWatch::OnCbt(int code, WPARAM wParam, LPARAM lParam) {
    WaitDialogWatch* watch = ActiveWatch;
    if (code == HCBT_CREATEWND && watch && !watch->dialog_) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (IsDialogWindow(window)) {
            watch->dialog_ = window;
            if (watch->pressCancel_)
                PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_WAIT_CANCEL, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK WaitDialogWatch::OnCallWndProc(int code, WPARAM wParam, LPARAM lParam) {
    WaitDialogWatch* watch = ActiveWatch;
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && watch && watch->dialog_ && call->lParam && GetParent(call->hwnd) == watch->dialog_) {
        const int id = GetDlgCtrlID(call->hwnd);
        const char* text = reinterpret_cast<const char*>(call->lParam);
        if (call->message == WM_SETTEXT && id == IDC_WAIT_STATUS)
            watch->statuses_.push_back(text);
        else if (call->message == SetPercentMessage && id == IDC_WAIT_PERCENT)
            watch->percents_.push_back(text);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool WaitDialogAvailable() {
    BeginWait(nullptr, AppCaption.data());
    SetWaitStatus("");
    const bool available = WaitDialog != nullptr;
    EndWait();
    return available;
}
