// TEMPORARY placeholder until the skinned buttons land.
#include "skin/bitmap_button.h"
LOGFONTA ButtonLabelFont = {};
void DrawBitmapButton(HINSTANCE, HWND, const DRAWITEMSTRUCT*) {}
int RenderBitmapButton(HINSTANCE, HWND, int, int) { return 1; }
