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

// The panel's picture on `dc` (width x height), in the colours `panel`'s parent answers to
// WM_CTLCOLORSTATIC for that DC.
void DrawRoundedPanel(HWND panel, HDC dc, int width, int height);
// The status bar's picture for StatusPercent on `buffer` (width x height); also leaves the label
// text in StatusText. The paint copies all but the rightmost 30 columns of it to the screen.
void ComposeStatusBar(HDC buffer, int width, int height);
