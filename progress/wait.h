// The process-wide wait: owner disabled, modeless wait dialog with texts, percentage, animation
// and Cancel, and the message pump that keeps the interface alive during long steps.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr size_t WaitTitleSize = 100;
constexpr size_t AnimationSpecSize = 1024;
constexpr UINT WM_ANIM_START = WM_USER + 201;
constexpr UINT WM_ANIM_RESET = WM_USER + 202;
constexpr COLORREF PanelColour = 0x4080FF;

// Disables owner (may be null) and shows the hourglass; the dialog, titled `title`, comes with the
// first text. Its template and bitmaps come from AppInstance.
void BeginWait(HWND owner, const char* title);
void EndWait();
int SetWaitItemText(int controlId, const char* text);
int SetWaitStatus(const char* text);
int SetWaitDetail(const char* text);
int SetWaitPercent(int percent);
// Dispatches every pending message; returns WaitCancelled (non-zero once Cancel was confirmed).
int PumpMessages();

// The program is being closed while a step runs (its splash window was closed, or the session
// ends): the step ends as after a confirmed Cancel, and every pump from now on reports a cancel,
// whatever wait begins later. With quietly (the session ends, nobody will answer) no step shows
// a message box any more, and the boxes already open are answered: Yes to the Cancel question,
// OK to the others.
void RequestProgramEnd(bool quietly);
bool ProgramEndRequested();
// True once the last wait's Cancel was confirmed, or the program is being closed.
bool WaitWasCancelled();
// A run with nobody at the screen: no step shows a message box; unseen, the wait dialog does not
// show either, so that no window of the program is ever visible.
void BeginUnattendedRun(bool unseen);
// A step's message box: MessageBoxA, or 0 without showing anything once the session is ending or
// in an unattended run. Its text and the answer go to the log either way.
int StepMessageBox(HWND owner, const char* text, const char* caption, UINT style);
// The question a person's press asks (Annulla's): asked in an unattended run too, since someone
// is there; not once the session is ending.
int PersonMessageBox(HWND owner, const char* text, const char* caption, UINT style);

enum class WaitOutcome { Signalled, TimedOut, Cancelled, Failed };
// Waits for the object (null: for the time alone) while dispatching the thread's messages as
// PumpMessages does, so every window answers meanwhile. Ends early when the wait's Cancel is
// confirmed, when it hears Cancel (outside a wait it never does).
WaitOutcome WaitPumping(HANDLE object, DWORD timeoutMs, bool hearCancel = true);

INT_PTR CALLBACK WaitDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
