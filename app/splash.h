// The borderless splash window that shows the splash bitmap and opens the setup dialog.
#pragma once

#include <windows.h>

constexpr UINT WM_START_SETUP = WM_USER + 1;
constexpr WPARAM START_SETUP_CODE = 1400;

LRESULT CALLBACK SplashWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Registers the splash class (named AppCaption); false if registration failed.
bool RegisterSplashClass(HINSTANCE instance);
