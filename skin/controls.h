// Small utilities for skinned dialog controls: subclassing, style, brush origin, colours, and the
// "Static" class procedure behind every replacement procedure.
#pragma once

#include <windows.h>

void SubclassDlgItem(HWND dialog, int controlId, WNDPROC procedure);
void SetDlgItemStyle(HWND dialog, int controlId, DWORD style);
void AlignBrushOrigin(HWND window, HDC dc, HBRUSH brush);
HBRUSH DefaultCtlColor(HWND dialog, int controlId, HDC dc);

// What a replacement procedure does not handle goes to the "Static" class procedure,
// fetched afresh for every message (the replaced procedure is not kept).
LRESULT CallStaticClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
