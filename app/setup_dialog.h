// The setup dialog: proposes the installation folder and runs the install sequence.
#pragma once

#include <windows.h>

#include <array>

#include "markup/markup.h"

constexpr size_t InstallDirSize = 152; // 151 characters and the terminator
constexpr int FolderTextLimit = static_cast<int>(InstallDirSize - 1);

INT_PTR CALLBACK SetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
