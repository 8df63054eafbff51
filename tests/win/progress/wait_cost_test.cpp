// What the wait sends to its windows when a step reports the same text and percentage for every
// block (nothing), and how it waits for another thread's work while every window answers.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "base/globals.h"
#include "progress/wait.h"
#include "progress/wait_state.h"
#include "resources/resource_ids.h"
#include "skin/status_bar.h"
#include "support/ticking_window.h"
#include "win/progress/progress_support.h"

using namespace progress_test;

namespace {

constexpr char Title[] = "Ludra Setup - download";

int TextsSet = 0;
int PercentsSent = 0;
std::string LastPercent;
WNDPROC EditProc = nullptr;
WNDPROC BarProc = nullptr;

LRESULT CALLBACK CountTextsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT)
        ++TextsSet;
    return CallWindowProcA(EditProc, window, message, wParam, lParam);
}

LRESULT CALLBACK CountPercentsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == SetPercentMessage) {
        ++PercentsSent;
        LastPercent = reinterpret_cast<const char*>(lParam);
    }
    return CallWindowProcA(BarProc, window, message, wParam, lParam);
}

void WatchStatusAndBar() {
    TextsSet = 0;
    PercentsSent = 0;
    LastPercent.clear();
    EditProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(GetDlgItem(WaitDialog, IDC_WAIT_STATUS), GWLP_WNDPROC,
                                                           reinterpret_cast<LONG_PTR>(CountTextsProc)));
    BarProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(GetDlgItem(WaitDialog, IDC_WAIT_PERCENT), GWLP_WNDPROC,
                                                          reinterpret_cast<LONG_PTR>(CountPercentsProc)));
}

std::string StatusShown() {
    char text[128] = "";
    GetDlgItemTextA(WaitDialog, IDC_WAIT_STATUS, text, sizeof text);
    return text;
}

} // namespace

TEST(WaitCost, AnUnchangedStatusIsNotSetAgainAndAChangedOneIs) {
    BeginWait(nullptr, Title);
    SetWaitStatus("Attenzione! Download in corso ....");
    ASSERT_NE(nullptr, WaitDialog);
    WatchStatusAndBar();
    for (int block = 0; block < 50; ++block)
        EXPECT_EQ(1, SetWaitStatus("Attenzione! Download in corso ...."));
    EXPECT_EQ(0, TextsSet);
    SetWaitStatus("Download completato. Attendere fine installazione ....");
    EXPECT_EQ(1, TextsSet);
    EXPECT_EQ("Download completato. Attendere fine installazione ....", StatusShown());
    // Back to an earlier text: compared with the last one set, not with any seen before.
    SetWaitStatus("Attenzione! Download in corso ....");
    EXPECT_EQ(2, TextsSet);
    EXPECT_EQ("Attenzione! Download in corso ....", StatusShown());
    EndWait();
}

TEST(WaitCost, APercentageIsSentOnlyWhenItChanges) {
    BeginWait(nullptr, Title);
    SetWaitStatus("x");
    ASSERT_NE(nullptr, WaitDialog);
    WatchStatusAndBar();
    for (int block = 0; block < 95; ++block)
        SetWaitPercent(0);
    EXPECT_EQ(1, PercentsSent);
    EXPECT_EQ("0", LastPercent);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(WaitDialog, IDC_WAIT_PERCENT)));
    SetWaitPercent(1);
    SetWaitPercent(1);
    SetWaitPercent(100);
    EXPECT_EQ(3, PercentsSent);
    EXPECT_EQ("100", LastPercent);
    EndWait();
}

// A new dialog starts from nothing: what the previous one was given must not keep a text or a
// percentage from reaching the new one.
TEST(WaitCost, EveryNewDialogIsGivenItsTextsAndPercentageAfresh) {
    BeginWait(nullptr, Title);
    SetWaitStatus("Attenzione! Download in corso ....");
    SetWaitPercent(42);
    EndWait();

    BeginWait(nullptr, Title);
    SetWaitStatus("Attenzione! Download in corso ....");
    ASSERT_NE(nullptr, WaitDialog);
    EXPECT_EQ("Attenzione! Download in corso ....", StatusShown());
    WatchStatusAndBar();
    SetWaitPercent(42);
    EXPECT_EQ(1, PercentsSent) << "the new bar never got the percentage";
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(WaitDialog, IDC_WAIT_PERCENT)));
    EndWait();
}

TEST(WaitPumping, WindowsAreServedWhileAnotherThreadWorks) {
    TickingWindow ticking;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([done] {
        Sleep(400);
        SetEvent(done);
    });
    BeginWait(nullptr, Title);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(WaitOutcome::Signalled, WaitPumping(done, 5000));
    const ULONGLONG spent = GetTickCount64() - start;
    EndWait();
    worker.join();
    EXPECT_GE(spent + 20, 400u);
    ticking.Stop();
    EXPECT_GT(ticking.Ticks(), 10) << "the timer was not served while waiting";
    EXPECT_LT(ticking.LongestGap(), 150u);
    CloseHandle(done);
}

TEST(WaitPumping, EndsAtItsTimeWhenNothingComes) {
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(WaitOutcome::TimedOut, WaitPumping(never, 200));
    const ULONGLONG spent = GetTickCount64() - start;
    EXPECT_GE(spent + 20, 200u);
    EXPECT_LT(spent, 1000u);
    CloseHandle(never);
}

TEST(WaitPumping, AConfirmedCancelEndsTheWaitAtOnceButNotAfterTheWait) {
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BeginWait(nullptr, Title);
    SetWaitStatus("Attenzione! Download in corso ....");
    PumpFor(150);
    ASSERT_NE(nullptr, WaitDialog);
    {
        BoxAnswerer answerer(IDYES, WaitDialog);
        PostMessageA(WaitDialog, WM_COMMAND, MAKEWPARAM(IDC_WAIT_CANCEL, BN_CLICKED), 0);
        const ULONGLONG start = GetTickCount64();
        EXPECT_EQ(WaitOutcome::Cancelled, WaitPumping(never, 10000));
        EXPECT_LT(GetTickCount64() - start, 5000u);
        EXPECT_TRUE(answerer.Seen());
    }
    EXPECT_EQ(WaitOutcome::Cancelled, WaitPumping(never, 10000)) << "the flag stands for the rest of the wait";
    EXPECT_EQ(WaitOutcome::TimedOut, WaitPumping(never, 50, false)) << "a wait deaf to Cancel goes on";
    EndWait();
    EXPECT_EQ(WaitOutcome::TimedOut, WaitPumping(never, 50)) << "after the wait Cancel is not heard";
    CloseHandle(never);
}
