// The rounded panel: a subclassed Static control painting two nested rounded rectangles.
#pragma once

#include <windows.h>

LRESULT CALLBACK RoundedPanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The panel's picture on `dc` (width x height), in the colours `panel`'s parent answers to
// WM_CTLCOLORSTATIC for that DC.
void DrawRoundedPanel(HWND panel, HDC dc, int width, int height);
