// Owner-drawn push buttons: stretched skin, icon named in the caption, coloured label, bevel.
#pragma once

#include <windows.h>

enum ButtonState { ButtonNormal = 1, ButtonPressed = 2, ButtonFocused = 3, ButtonDisabled = 4 };

constexpr size_t ButtonCaptionSize = 80;
constexpr size_t ButtonLabelSize = 40;
constexpr size_t ButtonIconNameSize = 20;
constexpr DWORD OwnerDrawButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW; // 0x5001000B

extern LOGFONTA ButtonLabelFont;

void DrawBitmapButton(HINSTANCE instance, HWND dialog, const DRAWITEMSTRUCT* drawItem);
int RenderBitmapButton(HINSTANCE instance, HWND dialog, int controlId, int state);
