// The wait's state, internal to progress/: owner, title, dialog, flags, panel brush, animation.
#pragma once

#include <windows.h>

#include <array>

#include "progress/wait.h"

extern HWND WaitOwner;
extern std::array<char, WaitTitleSize> WaitTitle;
extern HWND WaitDialog;
extern int WaitActive;
extern int WaitCancelled;
extern HBRUSH PanelBrush;
extern std::array<char, AnimationSpecSize> AnimationSpec;
extern UINT_PTR AnimationTimer;

// The wait dialog's window is gone (destroyed with its owner, say): the wait forgets it.
void ForgetWaitDialog(HWND dialog);
