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

// The colours of SolidBrushes, in table order.
inline constexpr std::array<COLORREF, SolidBrushCount> SolidBrushColours = {
    RGB(255, 255, 255), // white: WhiteBrush
    RGB(0, 0, 0),       // black
    RGB(0, 255, 0),     // green
    RGB(0, 127, 0),     // dark green
    RGB(255, 255, 0),   // yellow
    RGB(0, 0, 255),     // blue
    RGB(255, 0, 0),     // red
    RGB(0, 255, 255),   // cyan
    RGB(255, 0, 255),   // magenta
    RGB(128, 0, 0),     // dark red
    RGB(128, 128, 128), // grey
    RGB(192, 192, 192), // light grey
    RGB(0, 255, 128),   // spring green
};

// Entry 0 of SolidBrushes; the only one the skinned controls paint with.
inline HBRUSH& WhiteBrush = SolidBrushes[0];

// Fills SolidBrushes in table order; DeleteSolidBrushes returns the last DeleteObject result.
void CreateSolidBrushes();
BOOL DeleteSolidBrushes();
