// Drives the real ldsetup.exe from outside, as a user would: finds its windows, reads and sets
// texts, presses buttons, answers message boxes and waits for its exit. Every wait is bounded.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/files.h"

namespace harness {

constexpr DWORD DefaultTimeoutMs = 15000;

class Program {
public:
    Program() = default;
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts the program with the given working folder (null: the harness's own) and the
    // arguments after its quoted name (null: none).
    bool Start(const char* exePath, const char* workingFolder = nullptr, WORD showCommand = SW_SHOWNORMAL,
               const char* arguments = nullptr);
    // Waits for the process to end; false on time-out. The exit code is stored on success.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode);
    void Kill();
    DWORD Id() const { return processId_; }
    HANDLE Handle() const { return process_; }
    bool Running() const;

private:
    HANDLE process_ = nullptr;
    HANDLE thread_ = nullptr;
    DWORD processId_ = 0;
};

// A top-level window of a process by class, visible or not; null if there is none.
HWND HiddenOrVisibleWindowOf(DWORD processId, const char* className);

// Visible top-level windows of a process, optionally filtered by class, caption and predicate.
std::vector<HWND> WindowsOf(DWORD processId, const char* className, const char* caption,
                            const std::function<bool(HWND)>& accept = nullptr);
HWND WaitForWindow(DWORD processId, const char* className, const char* caption,
                   const std::function<bool(HWND)>& accept = nullptr, DWORD timeoutMs = DefaultTimeoutMs);

// The standard dialogs of the program, told apart by the controls they carry.
bool IsMessageBox(HWND window);
bool HasControl(HWND window, int controlId);
HWND WaitForDialogWithControl(DWORD processId, int controlId, DWORD timeoutMs = DefaultTimeoutMs);
HWND WaitForMessageBox(DWORD processId, DWORD timeoutMs = DefaultTimeoutMs);
// A message box that appears within the time, or null; for asserting that none does.
HWND MessageBoxWithin(DWORD processId, DWORD timeoutMs);
std::string MessageBoxText(HWND box);
// Presses a button of the box (IDOK, IDYES, IDNO) and waits until the box is gone.
bool AnswerMessageBox(HWND box, int buttonId, DWORD timeoutMs = DefaultTimeoutMs);

std::string GetText(HWND window);
std::string GetControlText(HWND dialog, int controlId);
void SetControlText(HWND dialog, int controlId, const char* text);
// Pastes through the clipboard into an edit control, as a user would (honours its text limit).
bool PasteIntoControl(HWND dialog, int controlId, const char* text);
// Posts the button's WM_COMMAND: posted, since the program may answer it with a modal box.
void PressButton(HWND dialog, int controlId);

// The control that has the keyboard focus in the window's thread, and an edit's selection.
HWND FocusedControl(HWND window);
void GetEditSelection(HWND edit, DWORD* start, DWORD* end);

// Waits until the predicate holds, polling every 20 ms; false on time-out.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = DefaultTimeoutMs);

// GDI objects of a process, read from its handle table (the PEB's GdiSharedHandleTable; for a
// 32-bit process under Wine, the PEB of its 64-bit side), since Wine does not implement
// GetGuiResources; -1 if the table cannot be read. Works across processes of the harness's bitness.
int CountGdiObjects(HANDLE process, DWORD processId);
// The process's private committed bytes (PagefileUsage: Wine leaves PrivateUsage at 0).
SIZE_T PrivateBytes(HANDLE process);

// Saves the whole screen as a 24-bit BMP file.
bool SaveScreenshot(const char* path);

} // namespace harness
