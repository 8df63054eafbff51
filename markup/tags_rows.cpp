// Row tags: edge rules along the top and bottom of a row, the built-in gradient rows, and row
// shading by the parity of the item's index with colours, pattern bitmaps and a dotted rule.
#include "base/gdi_handles.h"
#include "base/strings.h"
#include "markup/markup_draw.h"
#include "markup/markup_tags.h"
#include "skin/bitmap.h"

namespace {

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Black = RGB(0, 0, 0);
constexpr COLORREF RuleGrey = RGB(128, 128, 128);
constexpr COLORREF RuleLightGrey = RGB(192, 192, 192);
constexpr COLORREF DottedEvenRow = 0xFFFFEA;
constexpr COLORREF DottedOddRow = 0xF8F8F8;

constexpr const char* EvenRowGradient = "F4F4F4FFFFFF";
constexpr const char* OddRowGradient = "DEEBFBF2F6FB";
constexpr const char* RedRowGradient = "FF0000D80000";
constexpr const char* YellowRowGradient = "FFFF00FFFEBF";

enum GradientRow { ParityRow = 0, RedRow = 1, YellowRow = 2 };
enum EdgeBottom { RuleBelowItem = 0, RuleOnLastRow = 1 };

void DrawHorizontal(const MarkupState& state, int style, COLORREF colour, int y) {
    DrawPenLine(state.dc, style, colour, CellRect.left, y, CellRect.right, y);
}

COLORREF RowColour(const MarkupState& state) {
    return state.IsEvenRow() ? state.evenRowColour : state.oddRowColour;
}

void FillGradientRow(const MarkupState& state, const char* colours) {
    FillGradientCell(state.dc, CellRect, colours);
    SetBkMode(state.dc, TRANSPARENT);
}

} // namespace

void TagEL(MarkupState& state) {
    const int bottom = ReadDecimal(state.arg());
    ResetCell(state);
    DrawHorizontal(state, PS_SOLID, state.penColour, CellRect.top);
    if (bottom == RuleBelowItem)
        DrawHorizontal(state, PS_SOLID, state.penColour, CellRect.bottom);
    else if (bottom == RuleOnLastRow)
        DrawHorizontal(state, PS_SOLID, state.penColour, CellRect.bottom - 1);
}

void TagTL(MarkupState& state) {
    ResetCell(state);
    DrawHorizontal(state, PS_SOLID, RuleGrey, CellRect.bottom);
    DrawHorizontal(state, PS_SOLID, RuleLightGrey, CellRect.bottom - 1);
}

void TagFL(MarkupState& state) {
    const int kind = ReadDecimal(state.arg());
    ResetCell(state);
    switch (kind) {
    case ParityRow:
        if (state.selected)
            SetTextColor(state.dc, White);
        else
            FillGradientRow(state, state.IsEvenRow() ? EvenRowGradient : OddRowGradient);
        break;
    case RedRow:
        if (!state.selected) {
            FillGradientRow(state, RedRowGradient);
            SetTextColor(state.dc, White);
        }
        break;
    case YellowRow:
        if (state.selected) {
            SetTextColor(state.dc, White);
        } else {
            FillGradientRow(state, YellowRowGradient);
            SetTextColor(state.dc, Black);
        }
        break;
    }
}

void TagSP(MarkupState& state) {
    ResetCell(state);
    const int middle = CellRect.top + (CellRect.bottom - CellRect.top) / 2;
    if (state.selected) {
        DrawHorizontal(state, PS_DOT, White, middle);
        return;
    }
    state.evenRowColour = DottedEvenRow;
    state.oddRowColour = DottedOddRow;
    FillSolid(state.dc, CellRect, RowColour(state));
    DrawHorizontal(state, PS_DOT, Black, middle);
}

void TagSF(MarkupState& state) {
    if (state.selected)
        return;
    std::uint32_t colour = White;
    if (state.IsEvenRow() && !ScanHexColour(state.arg(), &colour))
        return;
    FillSolid(state.dc, CellRect, colour);
    SetBkColor(state.dc, colour);
}

void TagSCP(MarkupState& state) {
    std::uint32_t colour = 0;
    if (ScanHexColour(state.arg(), &colour))
        state.evenRowColour = colour;
}

void TagSCD(MarkupState& state) {
    std::uint32_t colour = 0;
    if (ScanHexColour(state.arg(), &colour))
        state.oddRowColour = colour;
}

void TagSCB(MarkupState& state) {
    if (state.selected)
        return;
    ResetCell(state);
    FillSolid(state.dc, CellRect, RowColour(state));
}

void TagSFP(MarkupState& state) {
    CopyBounded(state.evenRowPattern, state.arg());
}

void TagSFD(MarkupState& state) {
    CopyBounded(state.oddRowPattern, state.arg());
}

void TagSFB(MarkupState& state) {
    if (state.selected)
        return;
    const char* pattern = state.IsEvenRow() ? state.evenRowPattern : state.oddRowPattern;
    // A row with no pattern ends the item's drawing here.
    if (IsBlankText(pattern)) {
        state.endOfItem = true;
        return;
    }
    ResetCell(state);
    BitmapHandle bitmap(LoadBitmapByName(state.instance, pattern));
    if (!bitmap)
        return;
    BrushHandle brush(CreatePatternBrush(bitmap.get()));
    if (brush)
        FillRect(state.dc, &CellRect, brush.get());
}
