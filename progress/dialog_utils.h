// Small utilities for skinned dialog controls: subclassing, style, brush origin, colours.
#pragma once

#include <windows.h>

void SubclassDlgItem(HWND dialog, int controlId, WNDPROC procedure);
void SetDlgItemStyle(HWND dialog, int controlId, DWORD style);
void AlignBrushOrigin(HWND window, HDC dc, HBRUSH brush);
HBRUSH DefaultCtlColor(HWND dialog, int controlId, HDC dc);
