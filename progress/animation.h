// The frame-animation control: a subclassed Static driven by the AnimationSpec tag string.
#pragma once

#include <windows.h>

LRESULT CALLBACK AnimationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void DrawAnimationFrame(HWND window, const char* bitmapName);
