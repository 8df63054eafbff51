// Bitmap drawing helpers: plain and stretched copies, key-colour transparency, window fit.
#include "skin/bitmap.h"

#include "base/gdi_handles.h"
#include "base/message_params.h"

SIZE GetBitmapSize(HBITMAP bitmap) {
    BITMAP record = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof record, &record))
        return SIZE{0, 0};
    return SIZE{record.bmWidth, record.bmHeight};
}

namespace {
// The source origin is device point (0, 0) in the destination's logical coordinates.
POINT SourceOrigin(HDC dc) {
    POINT origin = {0, 0};
    DPtoLP(dc, &origin, 1);
    return origin;
}
} // namespace

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y) {
    MemoryDc memory(dc);
    if (!memory)
        return;
    SelectGuard select(memory.get(), bitmap);
    SetMapMode(memory.get(), GetMapMode(dc));
    const SIZE size = GetBitmapSize(bitmap);
    const POINT origin = SourceOrigin(dc);
    BitBlt(dc, x, y, size.cx, size.cy, memory.get(), origin.x, origin.y, SRCCOPY);
}

void StretchBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height) {
    MemoryDc memory(dc);
    if (!memory)
        return;
    SelectGuard select(memory.get(), bitmap);
    SetMapMode(memory.get(), GetMapMode(dc));
    const SIZE size = GetBitmapSize(bitmap);
    const POINT origin = SourceOrigin(dc);
    StretchBlt(dc, x, y, width, height, memory.get(), origin.x, origin.y, size.cx, size.cy, SRCCOPY);
}

void FitWindowToBitmap(HWND window, HBITMAP bitmap) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    POINT corner = {frame.left, frame.top};
    if (HWND parent = GetParent(window); parent && (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD))
        ScreenToClient(parent, &corner);
    const SIZE size = GetBitmapSize(bitmap);
    MoveWindow(window, corner.x, corner.y, size.cx, size.cy, FALSE);
}

HBITMAP MakeTransparencyMask(HBITMAP bitmap, COLORREF key) {
    const SIZE size = GetBitmapSize(bitmap);
    if (size.cx <= 0 || size.cy <= 0)
        return nullptr;
    BitmapHandle mask(CreateBitmap(size.cx, size.cy, 1, 1, nullptr));
    if (!mask)
        return nullptr;
    MemoryDc colourDc(nullptr);
    MemoryDc maskDc(nullptr);
    if (!colourDc || !maskDc)
        return nullptr;
    {
        SelectGuard selectColour(colourDc.get(), bitmap);
        SelectGuard selectMask(maskDc.get(), mask.get());
        // Colour to monochrome: pixels equal to the background colour become 1.
        SetBkColor(colourDc.get(), key);
        BitBlt(maskDc.get(), 0, 0, size.cx, size.cy, colourDc.get(), 0, 0, SRCCOPY);
        // Monochrome to colour: 1 becomes the key, 0 black; XOR blackens the key pixels.
        BitBlt(colourDc.get(), 0, 0, size.cx, size.cy, maskDc.get(), 0, 0, SRCINVERT);
    }
    return mask.release();
}

void DrawTransparentBitmap(HDC dc, HBITMAP bitmap, int x, int y, COLORREF key) {
    BitmapHandle mask(MakeTransparencyMask(bitmap, key));
    if (!mask)
        return;
    const SIZE size = GetBitmapSize(bitmap);
    MemoryDc memory(dc);
    if (!memory)
        return;
    {
        SelectGuard selectMask(memory.get(), mask.get());
        BitBlt(dc, x, y, size.cx, size.cy, memory.get(), 0, 0, SRCAND);
    }
    SelectGuard selectBitmap(memory.get(), bitmap);
    BitBlt(dc, x, y, size.cx, size.cy, memory.get(), 0, 0, SRCPAINT);
}

int CALLBACK CopyFirstFont(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM data) {
    *CarriedPointer<LOGFONTA*>(data) = *font;
    return 0;
}
