// Subclassed Static controls: the rounded panel and the percentage status bar.
#pragma once

#include <windows.h>

constexpr UINT SetPercentMessage = WM_USER + 1;
constexpr size_t StatusTextSize = 108;

extern int StatusPercent;
extern char StatusText[StatusTextSize];
extern LOGFONTA StatusFont;

LRESULT CALLBACK RoundedPanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK StatusBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// What a replacement procedure does not handle goes to the "Static" class procedure,
// fetched afresh for every message (the replaced procedure is not kept).
LRESULT CallStaticClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
