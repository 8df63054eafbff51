// Definitions of the process-wide handles and the table of shared solid brushes.
#include "base/globals.h"

HINSTANCE AppInstance = nullptr;
std::array<char, AppCaptionSize> AppCaption = {};
HWND SplashWindow = nullptr;
std::array<HBRUSH, SolidBrushCount> SolidBrushes = {};

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
