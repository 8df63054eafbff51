// The setup dialog: proposes the installation folder and runs the install sequence.
#pragma once

#include <windows.h>

#include <array>

#include "markup/markup.h"

constexpr size_t InstallDirSize = 152; // 151 characters and the terminator
constexpr size_t SetupInfPathSize = 512;
constexpr size_t MessageTextSize = 256;
constexpr int FolderTextLimit = static_cast<int>(InstallDirSize - 1);

INT_PTR CALLBACK SetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// True while a confirmation runs the install sequence (its steps, its messages).
bool InstallSequenceRunning();

const char* LoadMessageText(UINT id);
void EnableSetupControls(HWND dialog, BOOL enable);
void BeginBusyCursor();
void EndBusyCursor();
int GetCurrentDriveNumber();
void SetCurrentDriveNumber(int drive);
