// Process-wide handles shared by every part of the program: module, caption, splash, brushes.
#pragma once

#include <windows.h>

#include <array>

constexpr size_t AppCaptionSize = 32;
constexpr int SolidBrushCount = 13;

extern HINSTANCE AppInstance;
extern std::array<char, AppCaptionSize> AppCaption;
extern HWND SplashWindow;
extern std::array<HBRUSH, SolidBrushCount> SolidBrushes;

// Entry 0 of SolidBrushes; the only one the skinned controls paint with.
inline HBRUSH& WhiteBrush = SolidBrushes[0];

// Fills SolidBrushes in table order; DeleteSolidBrushes returns the last DeleteObject result.
void CreateSolidBrushes();
BOOL DeleteSolidBrushes();
