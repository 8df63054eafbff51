// Separator, tree and line tags: column separators and tree connectors at the cursor, rows of
// tree-guide cells, and horizontal rules along the item.
#include <algorithm>

#include "base/gdi_handles.h"
#include "markup/markup_draw.h"
#include "markup/markup_tags.h"

namespace {

constexpr COLORREF SeparatorShadow = RGB(192, 192, 192);
constexpr COLORREF SeparatorLine = RGB(0, 0, 0);
constexpr COLORREF MarkerRed = RGB(255, 0, 0);
constexpr COLORREF TreeCellBackground = RGB(255, 255, 255);
// @SEP(6) marks the item's right edge this far inside it.
constexpr int RightMarkerInset = 2;

enum SeparatorKind { SunkenSeparator = 1, TreeTee = 2, TreeCorner = 3, RedSeparator = 4, RightEdgeMarker = 6 };

int Middle(const RECT& rect) {
    return rect.top + (rect.bottom - rect.top) / 2;
}

void DrawVertical(const MarkupState& state, COLORREF colour, int x) {
    DrawPenLine(state.dc, PS_SOLID, colour, x, CellRect.top, x, CellRect.bottom);
}

void DrawSunkenSeparator(const MarkupState& state, int x) {
    {
        PenHandle shadow(CreatePen(PS_SOLID, 1, SeparatorShadow));
        SelectGuard select(state.dc, shadow.get());
        if (shadow) {
            DrawLine(state.dc, x - 1, CellRect.top, x - 1, CellRect.bottom);
            DrawLine(state.dc, x + 1, CellRect.top, x + 1, CellRect.bottom);
        }
    }
    DrawVertical(state, SeparatorLine, x);
}

// One tree-guide cell of width w at x, drawn with the DC's pen over a white background.
void DrawTreeCell(const MarkupState& state, char code, int x, int w) {
    const RECT cell = {x, CellRect.top, AddCoord(x, w), CellRect.bottom};
    FillSolid(state.dc, cell, TreeCellBackground);
    const int guide = AddCoord(x, w / 2);
    const int middle = Middle(CellRect);
    switch (code) {
    case '1': DrawLine(state.dc, guide, CellRect.top, guide, CellRect.bottom); break;
    case '2':
        DrawLine(state.dc, guide, CellRect.top, guide, CellRect.bottom);
        DrawLine(state.dc, guide, middle, cell.right, middle);
        break;
    case '3':
        MoveToEx(state.dc, guide, CellRect.top, nullptr);
        LineTo(state.dc, guide, middle);
        LineTo(state.dc, cell.right, middle);
        break;
    }
}

void DrawRule(const MarkupState& state, int y) {
    DrawPenLine(state.dc, PS_SOLID, state.penColour, CellRect.left, y, CellRect.right, y);
}

} // namespace

void TagSep(MarkupState& state) {
    const int kind = ReadDecimal(state.arg());
    ResetCell(state);
    const int x = state.cursorX;
    if (kind == RightEdgeMarker) {
        DrawVertical(state, MarkerRed, CellRect.right - RightMarkerInset);
        return;
    }
    if (x >= CellRect.right)
        return;
    const int middle = Middle(CellRect);
    switch (kind) {
    case SunkenSeparator:
        DrawSunkenSeparator(state, x);
        state.cursorX = AddCoord(x, state.thinStep);
        break;
    case TreeTee:
        DrawLine(state.dc, x, CellRect.top, x, CellRect.bottom);
        DrawLine(state.dc, x, middle, AddCoord(x, state.wideStep), middle);
        state.cursorX = AddCoord(x, state.wideStep);
        break;
    case TreeCorner:
        MoveToEx(state.dc, x, CellRect.top, nullptr);
        LineTo(state.dc, x, middle);
        LineTo(state.dc, AddCoord(x, state.wideStep), middle);
        state.cursorX = AddCoord(x, state.wideStep);
        break;
    case RedSeparator:
        DrawVertical(state, MarkerRed, x);
        state.cursorX = AddCoord(x, state.thinStep);
        break;
    default: DrawVertical(state, state.penColour, x); break;
    }
}

void TagTree(MarkupState& state) {
    int width = 0;
    ScanDecimal(state.arg(), &width);
    width = state.Scaled(width);
    const char* codes = AfterListSeparator(state.arg());
    ResetCell(state);
    if (state.columnWidth != 0) {
        const long long columnEnd =
            static_cast<long long>(CellRect.left) - state.cellGap + state.columnStart + state.columnWidth;
        CellRect.right = ClampCoord(std::min<long long>(CellRect.right, columnEnd));
    }
    if (!codes)
        return;
    int x = state.cursorX;
    for (const char* code = codes; *code; ++code) {
        if (*code < '0' || *code > '3')
            continue;
        // A cell that does not fit is not drawn, but the row still moves past it.
        if (static_cast<long long>(x) + width < CellRect.right)
            DrawTreeCell(state, *code, x, width);
        x = AddCoord(x, width);
    }
    state.cursorX = x;
}

void TagLin(MarkupState& state) {
    ResetCell(state);
    DrawRule(state, CellRect.top);
}

void TagLinB(MarkupState& state) {
    ResetCell(state);
    DrawRule(state, CellRect.bottom);
}

void TagLinC(MarkupState& state) {
    ResetCell(state);
    DrawRule(state, CellRect.bottom - 1);
}
