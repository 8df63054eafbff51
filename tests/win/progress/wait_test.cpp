// The wait: its states, the dialog it shows, the owner it disables, Cancel and the pump.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/globals.h"
#include "progress/animation.h"
#include "progress/wait.h"
#include "progress/wait_state.h"
#include "resources/resource_ids.h"
#include "support/program_texts.h"
#include "win/progress/progress_support.h"

using namespace progress_test;

namespace {

constexpr char Title[] = "Ludra Setup - download";
constexpr UINT CountedMessage = WM_APP + 7;

int CountedMessages = 0;
std::string PercentTextSent;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == CountedMessage)
        ++CountedMessages;
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK RecordPercentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 1)
        PercentTextSent = reinterpret_cast<const char*>(lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

// A top-level window of the test thread, to own the wait or receive posted messages.
HWND MakeTestWindow(int x) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = CountingProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "LudraWaitTestWindow";
        RegisterClassA(&windowClass);
        registered = true;
    }
    return CreateWindowExA(0, "LudraWaitTestWindow", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, 0, 120, 80, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

std::string ControlText(int controlId) {
    char text[128] = "";
    GetDlgItemTextA(WaitDialog, controlId, text, sizeof text);
    return text;
}

// Shows the dialog and lets its first paint and the animation's first steps happen.
void ShowWaitDialog(HWND owner) {
    BeginWait(owner, Title);
    SetWaitStatus("Connessione in corso");
    PumpFor(150);
}

void ClickCancel() {
    PostMessageA(WaitDialog, WM_COMMAND, MAKEWPARAM(IDC_WAIT_CANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(WaitDialog, IDC_WAIT_CANCEL)));
}

} // namespace

TEST(WaitState, TextsOutsideAWaitShowNothing) {
    EXPECT_EQ(0, WaitActive);
    EXPECT_EQ(1, SetWaitStatus("before"));
    EXPECT_EQ(1, SetWaitDetail("before"));
    EXPECT_EQ(1, SetWaitPercent(10));
    EXPECT_EQ(nullptr, WaitDialog);

    BeginWait(nullptr, Title);
    SetWaitStatus("during");
    ASSERT_NE(nullptr, WaitDialog);
    HWND dialog = WaitDialog;
    EndWait();
    EXPECT_EQ(0, WaitActive);
    EXPECT_EQ(nullptr, WaitDialog);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(nullptr, PanelBrush);

    EXPECT_EQ(1, SetWaitStatus("after"));
    EXPECT_EQ(1, SetWaitPercent(20));
    EXPECT_EQ(nullptr, WaitDialog);
    EXPECT_EQ(nullptr, FindWindowA("#32770", Title));
}

TEST(WaitState, FirstTextShowsTheDialogCentredAndFirstPercentShowsTheBar) {
    BeginWait(nullptr, Title);
    EXPECT_EQ(1, WaitActive);
    EXPECT_EQ(0, WaitCancelled);
    SetWaitPercent(30);
    EXPECT_EQ(nullptr, WaitDialog) << "a percentage alone does not show the dialog";

    EXPECT_EQ(1, SetWaitStatus("Connessione in corso"));
    ASSERT_NE(nullptr, WaitDialog);
    EXPECT_TRUE(IsWindowVisible(WaitDialog));
    RECT frame = {};
    GetWindowRect(WaitDialog, &frame);
    EXPECT_EQ(1024 / 2 - (frame.right - frame.left) / 2, frame.left);
    EXPECT_EQ(768 / 2 - (frame.bottom - frame.top) / 2, frame.top);
    char caption[128] = "";
    GetWindowTextA(WaitDialog, caption, sizeof caption);
    EXPECT_STREQ(Title, caption);
    EXPECT_EQ("Connessione in corso", ControlText(IDC_WAIT_STATUS));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(WaitDialog, IDC_WAIT_PERCENT)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(WaitDialog, IDC_WAIT_CANCEL)));
    EXPECT_EQ(static_cast<LONG_PTR>(0x5001000B), GetWindowLongPtrA(GetDlgItem(WaitDialog, IDC_WAIT_CANCEL), GWL_STYLE));
    EXPECT_NE(nullptr, PanelBrush);

    HWND dialog = WaitDialog;
    EXPECT_EQ(1, SetWaitDetail("LD46DEMO.zip"));
    EXPECT_EQ(dialog, WaitDialog) << "later texts reuse the dialog";
    EXPECT_EQ("LD46DEMO.zip", ControlText(IDC_WAIT_DETAIL));
    EXPECT_EQ("Connessione in corso", ControlText(IDC_WAIT_STATUS));

    HWND bar = GetDlgItem(WaitDialog, IDC_WAIT_PERCENT);
    SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordPercentProc));
    EXPECT_EQ(1, SetWaitPercent(-5));
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_EQ("-5", PercentTextSent);
    EXPECT_EQ(1, SetWaitPercent(45));
    EXPECT_EQ("45", PercentTextSent);
    EndWait();
}

TEST(WaitState, OwnerIsDisabledDuringTheWaitThenEnabledAndFocused) {
    HWND owner = MakeTestWindow(0);
    ASSERT_NE(nullptr, owner);
    BeginWait(owner, Title);
    EXPECT_FALSE(IsWindowEnabled(owner));
    SetWaitStatus("Connessione in corso");
    ASSERT_NE(nullptr, WaitDialog);
    EXPECT_EQ(owner, GetWindow(WaitDialog, GW_OWNER));
    PumpFor(50);
    EXPECT_FALSE(IsWindowEnabled(owner));
    EndWait();
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(owner, GetFocus());
    DestroyWindow(owner);
}

TEST(WaitState, ANullOwnerDisablesAndEnablesNothing) {
    HWND enabled = MakeTestWindow(0);
    HWND disabled = MakeTestWindow(200);
    ASSERT_NE(nullptr, enabled);
    ASSERT_NE(nullptr, disabled);
    EnableWindow(disabled, FALSE);
    BeginWait(nullptr, Title);
    SetWaitStatus("Connessione in corso");
    ASSERT_NE(nullptr, WaitDialog);
    EXPECT_EQ(nullptr, GetWindow(WaitDialog, GW_OWNER));
    EXPECT_TRUE(IsWindowEnabled(enabled));
    EndWait();
    EXPECT_TRUE(IsWindowEnabled(enabled));
    EXPECT_FALSE(IsWindowEnabled(disabled));
    DestroyWindow(enabled);
    DestroyWindow(disabled);
}

TEST(WaitCancel, AnsweredNoKeepsWaitingAndResumesTheAnimationWhereItStopped) {
    ShowWaitDialog(nullptr);
    ASSERT_NE(nullptr, WaitDialog);
    ASSERT_TRUE(PumpUntil(2000, [] { return CurrentEntry() == "4"; })) << CurrentEntry();

    // The box stays up for 300 ms: a running animation would take three steps meanwhile.
    BoxAnswerer answerer(IDNO, WaitDialog, 300);
    SendMessageA(WaitDialog, WM_COMMAND, MAKEWPARAM(IDC_WAIT_CANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(answerer.Seen());
    EXPECT_EQ(CancelQuestion, answerer.Text());
    EXPECT_EQ(Title, answerer.Caption());
    EXPECT_EQ("4", CurrentEntry());
    EXPECT_EQ(1u, AnimationTimer);
    EXPECT_EQ(0, WaitCancelled);

    EXPECT_EQ(0, PumpMessages());
    EXPECT_TRUE(PumpUntil(1000, [] { return CurrentEntry() != "4"; })) << "the animation runs on";
    EXPECT_TRUE(IsWindow(WaitDialog));
    EndWait();
}

TEST(WaitCancel, ConfirmedStopsThePumpUntilTheNextWait) {
    HWND receiver = MakeTestWindow(0);
    ASSERT_NE(nullptr, receiver);
    ShowWaitDialog(nullptr);
    ASSERT_NE(nullptr, WaitDialog);

    {
        BoxAnswerer answerer(IDYES, WaitDialog);
        ClickCancel();
        EXPECT_EQ(1, PumpMessages());
        EXPECT_TRUE(answerer.Seen());
    }
    EXPECT_EQ(1, WaitCancelled);
    EXPECT_EQ(0u, AnimationTimer) << "the animation stays stopped";
    EXPECT_TRUE(IsWindow(WaitDialog)) << "the dialog stays until EndWait";

    CountedMessages = 0;
    PostMessageA(receiver, CountedMessage, 0, 0);
    EXPECT_EQ(1, PumpMessages());
    EndWait();
    EXPECT_EQ(1, PumpMessages()) << "the flag outlives EndWait";
    EXPECT_EQ(0, CountedMessages) << "a cancelled pump takes no message";
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, receiver, CountedMessage, CountedMessage, PM_NOREMOVE));

    BeginWait(nullptr, Title);
    EXPECT_EQ(0, PumpMessages());
    EXPECT_EQ(1, CountedMessages);
    EndWait();
    DestroyWindow(receiver);
}

TEST(WaitCancel, EscapeAndTheCloseBoxDoNothing) {
    ShowWaitDialog(nullptr);
    ASSERT_NE(nullptr, WaitDialog);
    HWND dialog = WaitDialog;
    BoxAnswerer answerer(IDNO, dialog);

    SetFocus(GetDlgItem(dialog, IDC_WAIT_CANCEL));
    PostMessageA(GetDlgItem(dialog, IDC_WAIT_CANCEL), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(GetDlgItem(dialog, IDC_WAIT_CANCEL), WM_KEYUP, VK_ESCAPE, 0xC0010001);
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(0, PumpMessages());
        Sleep(20);
    }
    EXPECT_FALSE(answerer.Seen()) << "no confirmation is asked";
    EXPECT_EQ(dialog, WaitDialog);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(0, WaitCancelled);
    EndWait();
}

// A quit request taken during a wait must still end the program's main loop after it.
TEST(WaitPump, ThreadMessagesAreDiscardedAndQuitIsHeldUntilTheWaitEnds) {
    HWND receiver = MakeTestWindow(0);
    ASSERT_NE(nullptr, receiver);
    ShowWaitDialog(nullptr);
    CountedMessages = 0;
    PostThreadMessageA(GetCurrentThreadId(), CountedMessage, 0, 0);
    PostQuitMessage(4);
    PostMessageA(receiver, CountedMessage, 0, 0);
    EXPECT_EQ(0, PumpMessages());
    EXPECT_EQ(WaitOutcome::TimedOut, WaitPumping(nullptr, 50));
    EXPECT_EQ(1, CountedMessages) << "window messages are still dispatched";
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_TRUE(IsWindow(WaitDialog));
    EndWait();
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request was lost";
    EXPECT_EQ(4u, message.wParam);
    DestroyWindow(receiver);
}

// The wait dialog goes with its owner: the wait must not go on naming a destroyed window.
TEST(WaitState, DialogDestroyedWithItsOwnerIsForgotten) {
    HWND owner = MakeTestWindow(0);
    ShowWaitDialog(owner);
    ASSERT_NE(nullptr, WaitDialog);
    DestroyWindow(owner);
    EXPECT_EQ(nullptr, WaitDialog);
    EXPECT_EQ(1, SetWaitPercent(40));
    EndWait();
}
