// Owner-drawn push buttons: stretched skin, icon named in the caption, coloured label, bevel.
#pragma once

#include <windows.h>

enum ButtonState { ButtonNormal = 1, ButtonPressed = 2, ButtonFocused = 3, ButtonDisabled = 4 };

constexpr size_t ButtonCaptionSize = 80;
constexpr size_t ButtonLabelSize = 40;
constexpr size_t ButtonIconNameSize = 20;
constexpr DWORD OwnerDrawButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW; // 0x5001000B

void DrawBitmapButton(HINSTANCE instance, HWND dialog, const DRAWITEMSTRUCT* drawItem);
// Draws the button off-screen and shows it with one copy into its own window DC.
// Returns 1, or 0 when the button, its DC or the buffer cannot be had (nothing is drawn then).
int RenderBitmapButton(HINSTANCE instance, HWND dialog, int controlId, int state);

// The state a WM_DRAWITEM notification asks for, or 0 when it asks for no drawing.
int ButtonStateForDrawItem(UINT itemAction, UINT itemState);
// Composes a button of width x height with `caption` ("label/ICON") in `state` onto `buffer`,
// whose text colour must still be black and background white (a fresh memory DC).
void ComposeBitmapButton(HDC buffer, int width, int height, HINSTANCE instance, const char* caption, int state);
