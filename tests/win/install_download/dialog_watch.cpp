// Message-box answering and wait-dialog observation for the download tests.
#include "dialog_watch.h"

#include <algorithm>
#include <cstring>

#include "app/app_globals.h"
#include "progress/wait.h"
#include "resources/resource_ids.h"
#include "skin/panel.h"

namespace {
constexpr char ConfirmText[] = "Confermi l'interruzione delle operazioni in corso?";
constexpr int MessageBoxTextId = 0xFFFF;
constexpr DWORD PollMs = 20;
constexpr size_t TextSize = 512;

WaitDialogWatch* ActiveWatch = nullptr;

bool IsDialogClass(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return std::strcmp(name, "#32770") == 0;
}
} // namespace

BoxAnswerer::BoxAnswerer(int confirmAnswer, DWORD confirmDelayMs)
    : confirmAnswer_(confirmAnswer), confirmDelayMs_(confirmDelayMs), stopping_(false), mutex_(), texts_(), answered_(),
      thread_([this] { Run(); }) {}

BoxAnswerer::~BoxAnswerer() {
    stopping_ = true;
    thread_.join();
}

std::vector<std::string> BoxAnswerer::Texts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
}

void BoxAnswerer::Run() {
    while (!stopping_) {
        EnumWindows(OnWindow, reinterpret_cast<LPARAM>(this));
        Sleep(PollMs);
    }
}

BOOL CALLBACK BoxAnswerer::OnWindow(HWND window, LPARAM self) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsDialogClass(window))
        reinterpret_cast<BoxAnswerer*>(self)->AnswerBox(window);
    return TRUE;
}

// A box still being built has no text yet: it is answered on a later round.
void BoxAnswerer::AnswerBox(HWND box) {
    HWND label = GetDlgItem(box, MessageBoxTextId);
    char text[TextSize] = {};
    if (!label || GetWindowTextA(label, text, sizeof text) == 0)
        return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(answered_.begin(), answered_.end(), box) != answered_.end())
        return;
    const bool confirmation = std::strcmp(text, ConfirmText) == 0;
    if (confirmation && confirmDelayMs_) {
        if (box != waitingBox_) {
            waitingBox_ = box;
            waitingSince_ = GetTickCount64();
        }
        if (GetTickCount64() - waitingSince_ < confirmDelayMs_)
            return;
    }
    answered_.push_back(box);
    texts_.push_back(text);
    const int answer = confirmation ? confirmAnswer_ : IDOK;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}

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
        if (IsDialogClass(window)) {
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
    BeginWait(AppInstance, nullptr, AppCaption.data());
    SetWaitStatus("");
    const bool available = WaitDialog != nullptr;
    EndWait();
    return available;
}
