// Window placement on the display and the screen-size class that picks the INI section.
#pragma once

#include <windows.h>

constexpr int ScreenClassLow = 800;
constexpr int ScreenClassHigh = 1024;

void CenterOnScreen(HWND window);
void PrepareDialogFrame(HWND dialog);
// 800 for a display smaller than 1024 x 768 in either direction, else 1024.
int ScreenClassForSize(int width, int height);
int GetScreenClass();
