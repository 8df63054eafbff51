// Putting resource bitmaps on a DC: plain, stretched, transparent by key colour, window fit.
#pragma once

#include <windows.h>

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y);
void StretchBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height);
void FitWindowToBitmap(HWND window, HBITMAP bitmap);
// Returns a monochrome mask (1 where the source was `key`) and blackens the source's key pixels.
HBITMAP MakeTransparencyMask(HBITMAP bitmap, COLORREF key);
// Needs black text and white background colours on `dc`; changes `bitmap` (load a fresh copy each time).
void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, COLORREF key);
// EnumFontsA callback: copies the first LOGFONTA into the buffer at `data` and stops.
int CALLBACK CopyFirstFont(const LOGFONTA* font, const TEXTMETRICA* metrics, DWORD type, LPARAM data);
// Width and height of a bitmap from its GDI record; {0, 0} for none.
SIZE GetBitmapSize(HBITMAP bitmap);
// A bitmap resource loaded by name for one use (transparent drawing changes the loaded copy).
inline HBITMAP LoadBitmapByName(HINSTANCE instance, const char* name) {
    if (!name || !*name)
        return nullptr;
    return LoadBitmapA(instance, name);
}
