// The install sequence a confirmation runs: the folder's rules and checks, its creation, the
// download and unpacking, LUDRA.INI, the Desktop shortcut, the success message and the Program
// Manager group. A failed step takes the one failure exit: its trail, its message, and the
// dialog back for another attempt.
#pragma once

#include <windows.h>

#include <cstddef>

#include "app/command_line.h"

constexpr size_t SetupInfPathSize = 512;
constexpr size_t MessageTextSize = 256;

// Runs the sequence for the folder in the dialog's field; on success it ends the dialog.
void RunInstallSequence(HWND dialog);
// True while the sequence runs (its steps, its messages).
bool InstallSequenceRunning();
// How the last run of the sequence ended (Cancelled before one ran).
ExitCode InstallOutcome();

// The string-table text id, in a buffer that the next call overwrites.
const char* LoadMessageText(UINT id);
void EnableSetupControls(HWND dialog, BOOL enable);
void BeginBusyCursor();
void EndBusyCursor();
int GetCurrentDriveNumber();
void SetCurrentDriveNumber(int drive);
