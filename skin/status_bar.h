// The percentage status bar: a subclassed Static control showing a patterned bar and its label.
#pragma once

#include <windows.h>

constexpr UINT SetPercentMessage = WM_USER + 1;
constexpr size_t StatusTextSize = 108;

LRESULT CALLBACK StatusBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The status bar's picture for StatusPercent on `buffer` (width x height); also leaves the label
// text in StatusText. The paint copies all but the rightmost 30 columns of it to the screen.
void ComposeStatusBar(HDC buffer, int width, int height);
