// Definitions of the process-wide handles and the table of shared solid brushes.
#include "base/globals.h"

HINSTANCE AppInstance = nullptr;
std::array<char, AppCaptionSize> AppCaption = {};
HWND SplashWindow = nullptr;
std::array<HBRUSH, SolidBrushCount> SolidBrushes = {};

namespace {
constexpr std::array<COLORREF, SolidBrushCount> SolidBrushColours = {
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
} // namespace

void CreateSolidBrushes() {
    for (int i = 0; i < SolidBrushCount; ++i)
        SolidBrushes[i] = CreateSolidBrush(SolidBrushColours[i]);
}

BOOL DeleteSolidBrushes() {
    BOOL result = FALSE;
    for (HBRUSH& brush : SolidBrushes) {
        result = DeleteObject(brush);
        brush = nullptr;
    }
    return result;
}
