// The drawing helpers the tag families share: the working cell, solid and gradient fills, lines,
// bitmaps with their key colour, and the column table lookup.
#include "markup/markup_draw.h"

#include <cstdint>

#include "base/gdi_handles.h"
#include "skin/bitmap.h"

RECT CellRect = {};

void ResetCell(const MarkupState& state) {
    CellRect = state.item->rcItem;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    BrushHandle brush(CreateSolidBrush(colour));
    if (brush)
        FillRect(dc, &rect, brush.get());
}

void DrawLine(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

void DrawPenLine(HDC dc, int style, COLORREF colour, int x1, int y1, int x2, int y2) {
    PenHandle pen(CreatePen(style, 1, colour));
    if (!pen)
        return;
    SelectGuard select(dc, pen.get());
    DrawLine(dc, x1, y1, x2, y2);
}

bool LookUpColumn(const MarkupState& state, int index, int* x, int* width) {
    const ColumnTable* table = state.columns;
    if (!table || !table->x || !table->width || index < 0 || index >= table->count)
        return false;
    *x = ClampCoord(table->x[index]);
    *width = ClampCoord(table->width[index]);
    return true;
}

void FillGradientCell(HDC dc, const RECT& rect, const char* colours) {
    std::uint16_t colour[6] = {};
    ParseGradientColours(colours, colour);
    TRIVERTEX vertices[2] = {
        {rect.left, rect.top, colour[0], colour[1], colour[2], 0},
        {rect.right, rect.bottom, colour[3], colour[4], colour[5], 0},
    };
    GRADIENT_RECT span = {0, 1};
    GradientFill(dc, vertices, 2, &span, 1, GRADIENT_FILL_RECT_V);
}

void DrawMarkupBitmap(const MarkupState& state, const char* name, int x, int y, int* width) {
    BitmapHandle bitmap(LoadBitmapByName(state.instance, name));
    if (!bitmap)
        return;
    const SIZE size = GetBitmapSize(bitmap.get());
    if (size.cx < *width)
        *width = size.cx;
    // The transparent draw expands its mask with the DC's text and background colours, so it
    // needs black and white whatever the item's colours are.
    const COLORREF oldText = SetTextColor(state.dc, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(state.dc, RGB(255, 255, 255));
    DrawTransparentBitmap(state.dc, bitmap.get(), x, y, MarkupBitmapKey);
    SetTextColor(state.dc, oldText);
    SetBkColor(state.dc, oldBack);
}
