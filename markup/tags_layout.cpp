// Layout, text, bitmap, colour and font tags: cursor and column moves, text runs, bitmaps drawn
// transparently or over the background, DC colours and modes, the pen colour and the doubled font.
#include <algorithm>
#include <cstring>

#include "base/gdi_handles.h"
#include "base/strings.h"
#include "markup/markup_draw.h"
#include "markup/markup_tags.h"
#include "skin/bitmap.h"

namespace {

// DrawText would write an ellipsis back into the argument, which has no room for it.
constexpr UINT ForbiddenDrawFlags = DT_MODIFYSTRING;
constexpr UINT OtherEllipses = DT_END_ELLIPSIS | DT_WORD_ELLIPSIS;

// The ellipsis styles exclude one another; a path ellipsis mixed with another one is dropped
// (Wine's DrawText aborts on the mix).
UINT UsableDrawFlags(UINT flags) {
    flags &= ~ForbiddenDrawFlags;
    if ((flags & DT_PATH_ELLIPSIS) && (flags & OtherEllipses))
        flags &= ~DT_PATH_ELLIPSIS;
    return flags;
}

int ScaledArg(MarkupState& state) {
    return state.Scaled(ReadDecimal(state.arg()));
}

int ColumnEnd(const MarkupState& state) {
    return ClampCoord(static_cast<long long>(state.columnStart) + state.columnWidth);
}

// CellRect for a text run: inside the current column, or from the cursor to the item's right.
void PlaceTextCell(const MarkupState& state) {
    ResetCell(state);
    if (state.columnWidth != 0) {
        CellRect.left = AddCoord(state.cursorX, state.cellGap);
        CellRect.right = AddCoord(std::min<int>(CellRect.right, ColumnEnd(state)), -state.cellGap);
    } else {
        CellRect.left = std::max<int>(CellRect.left, state.cursorX);
    }
    // Text never touches the item's left edge.
    if (CellRect.left == state.itemLeft)
        CellRect.left = AddCoord(state.itemLeft, state.cellGap);
}

void DrawTextRun(MarkupState& state, UINT flags) {
    const char* text = state.arg();
    PlaceTextCell(state);
    if (!IsBlankText(text))
        DrawTextA(state.dc, text, -1, &CellRect, state.drawFlags | flags);
    if (state.columnWidth != 0) {
        // Inside a column the run uses the column up to its end.
        state.cursorX = AddCoord(CellRect.right, state.cellGap);
        return;
    }
    SIZE extent = {};
    const size_t length = std::strlen(text);
    if (length > 0 && GetTextExtentPoint32A(state.dc, text, static_cast<int>(length), &extent))
        state.cursorX = AddCoord(state.cursorX, extent.cx);
}

// Width available to a bitmap from `left` to the cell's right edge, lowered to the bitmap's.
void DrawBitmapRun(MarkupState& state, const char* name) {
    int width = ClampCoord(static_cast<long long>(CellRect.right) - CellRect.left);
    DrawMarkupBitmap(state, name, CellRect.left, CellRect.top, &width);
    state.cursorX = AddCoord(state.cursorX, width);
}

bool ScanColour(MarkupState& state, COLORREF* colour) {
    std::uint32_t value = 0;
    if (!ScanHexColour(state.arg(), &value))
        return false;
    *colour = value;
    return true;
}

} // namespace

void TagOfs(MarkupState& state) {
    state.cursorX = AddCoord(state.cursorX, ScaledArg(state));
}

void TagX(MarkupState& state) {
    state.cursorX = AddCoord(state.itemLeft, ScaledArg(state));
}

void TagXE(MarkupState& state) {
    ResetCell(state);
    state.cursorX = AddCoord(CellRect.right, -static_cast<long long>(ScaledArg(state)));
}

void TagD(MarkupState& state) {
    state.columnWidth = ScaledArg(state);
    state.columnStart = state.cursorX;
}

void TagXCol(MarkupState& state) {
    int x = 0;
    int width = 0;
    if (!LookUpColumn(state, ReadDecimal(state.arg()), &x, &width))
        return;
    state.cursorX = state.columnStart = x;
    state.columnWidth = width;
}

void TagTxt(MarkupState& state) {
    DrawTextRun(state, TextRunFlags);
}

void TagTxl(MarkupState& state) {
    DrawTextRun(state, WrappedRunFlags);
}

void TagDta(MarkupState& state) {
    state.drawFlags = UsableDrawFlags(static_cast<UINT>(ReadDecimal(state.arg())));
}

void TagBmp(MarkupState& state) {
    if (IsBlankText(state.arg()))
        return;
    ResetCell(state);
    if (state.columnWidth != 0) {
        // This tag bounds the column from the cursor, where the text tags bound it from its start.
        CellRect.left = AddCoord(state.cursorX, state.cellGap);
        const int columnEnd = AddCoord(state.cursorX, state.columnWidth);
        CellRect.right = AddCoord(std::min<int>(CellRect.right, columnEnd), -state.cellGap);
    } else {
        CellRect.left = std::max<int>(CellRect.left, state.cursorX);
    }
    DrawBitmapRun(state, state.arg());
}

void TagBbk(MarkupState& state) {
    if (IsBlankText(state.arg()))
        return;
    ResetCell(state);
    if (state.columnWidth != 0) {
        const int columnEnd =
            ClampCoord(static_cast<long long>(CellRect.left) - state.cellGap + state.columnStart + state.columnWidth);
        CellRect.right = std::min<int>(CellRect.right, columnEnd);
    }
    CellRect.left = AddCoord(CellRect.left, state.cursorX);
    FillSolid(state.dc, CellRect, GetBkColor(state.dc));
    DrawBitmapRun(state, state.arg());
}

void TagRbr(MarkupState& state) {
    if (state.selected)
        return;
    BitmapHandle bitmap(LoadBitmapByName(state.instance, state.arg()));
    if (!bitmap)
        return;
    BrushHandle brush(CreatePatternBrush(bitmap.get()));
    ResetCell(state);
    if (brush)
        FillRect(state.dc, &CellRect, brush.get());
}

void TagBck(MarkupState& state) {
    COLORREF colour = 0;
    if (!state.selected && ScanColour(state, &colour))
        SetBkColor(state.dc, colour);
}

void TagFrg(MarkupState& state) {
    COLORREF colour = 0;
    if (!state.selected && ScanColour(state, &colour))
        SetTextColor(state.dc, colour);
}

void TagBkm(MarkupState& state) {
    int mode = 0;
    if (!state.selected && ScanDecimal(state.arg(), &mode))
        SetBkMode(state.dc, mode == 0 ? TRANSPARENT : OPAQUE);
}

void TagPen(MarkupState& state) {
    ScanColour(state, &state.penColour);
}

void TagF01(MarkupState& state) {
    if (ReadDecimal(state.arg()) != 1) {
        RestoreSavedFont(state);
        return;
    }
    // Only one displaced font is kept: a second @F01(1) leaves the doubled font as it is.
    if (state.savedFont)
        return;
    LOGFONTA font = {};
    if (!GetObjectA(GetCurrentObject(state.dc, OBJ_FONT), sizeof font, &font))
        return;
    font.lfHeight = ClampCoord(2LL * font.lfHeight);
    font.lfWidth = 0;
    font.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    font.lfQuality = PROOF_QUALITY;
    FontHandle doubled(CreateFontIndirectA(&font));
    if (!doubled)
        return;
    if (HGDIOBJ displaced = SelectObject(state.dc, doubled.get())) {
        state.savedFont = static_cast<HFONT>(displaced);
        doubled.release(); // now selected; deleted when the displaced font goes back
    }
}

void RestoreSavedFont(MarkupState& state) {
    if (!state.savedFont)
        return;
    DeleteObject(SelectObject(state.dc, state.savedFont));
    state.savedFont = nullptr;
}
