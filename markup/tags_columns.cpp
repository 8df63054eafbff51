// Column-table tags: cells placed by the caller's column table, with their separating line,
// text, gradient background and captioned bitmap.
#include <algorithm>
#include <cstring>

#include "base/strings.h"
#include "markup/markup_draw.h"
#include "markup/markup_tags.h"

namespace {

constexpr size_t GradientColoursSize = 16;
constexpr size_t BitmapNameSize = 16;
constexpr size_t CaptionSize = 64;
// @CA places its bitmap a little below the top and its caption a fixed step after the bitmap.
constexpr int CaptionBitmapDrop = 2;
constexpr int CaptionBitmapAdvance = 30;

struct ColumnArg {
    int index;
    const char* text; // after the first ',' or ';'; empty without one
};

ColumnArg ReadColumnArg(MarkupState& state) {
    ColumnArg column = {0, ""};
    ScanDecimal(state.arg(), &column.index);
    if (const char* rest = AfterListSeparator(state.arg()))
        column.text = rest;
    return column;
}

struct Column {
    int x;
    int width;
    int end; // the column's right edge, not beyond the item's
};

// Makes column `index` current and puts the cursor at its start. False for a column the table
// does not have.
bool EnterColumn(MarkupState& state, int index, Column* column) {
    if (!LookUpColumn(state, index, &column->x, &column->width))
        return false;
    state.columnStart = state.cursorX = column->x;
    state.columnWidth = column->width;
    ResetCell(state);
    column->end = std::min<int>(CellRect.right, ClampCoord(static_cast<long long>(column->x) + column->width));
    return true;
}

void DrawColumnLine(const MarkupState& state, int x) {
    DrawPenLine(state.dc, PS_SOLID, state.penColour, x, CellRect.top, x, CellRect.bottom);
}

// @CL, @CSL, @CS, @CD: the line at the column's start, then the text in the cell.
void DrawColumnText(MarkupState& state, int rightGap, UINT flags) {
    const ColumnArg arg = ReadColumnArg(state);
    Column column = {};
    if (!EnterColumn(state, arg.index, &column))
        return;
    CellRect.left = AddCoord(column.x, state.cellGap);
    CellRect.right = AddCoord(column.end, rightGap);
    DrawColumnLine(state, column.x);
    if (!IsBlankText(arg.text))
        DrawTextA(state.dc, arg.text, -1, &CellRect, flags);
    // The next run starts at the column's end.
    state.cursorX = column.end;
}

} // namespace

void TagCL(MarkupState& state) {
    DrawColumnText(state, state.cellGap, state.drawFlags | TextRunFlags);
}

void TagCSL(MarkupState& state) {
    DrawColumnText(state, -state.cellGap, state.drawFlags | WrappedRunFlags);
}

void TagCS(MarkupState& state) {
    DrawColumnText(state, -state.cellGap, TextRunFlags);
}

void TagCD(MarkupState& state) {
    DrawColumnText(state, -state.cellGap, RightRunFlags);
}

void TagCR(MarkupState& state) {
    if (state.selected)
        return;
    const ColumnArg arg = ReadColumnArg(state);
    int x = 0;
    int width = 0;
    if (!LookUpColumn(state, arg.index, &x, &width))
        return;
    char colours[GradientColoursSize];
    CopyBounded(colours, arg.text);
    ResetCell(state);
    CellRect.left = std::min<int>(x, CellRect.right);
    CellRect.right = std::min<int>(CellRect.right, AddCoord(CellRect.left, width));
    FillGradientCell(state.dc, CellRect, colours);
    SetBkMode(state.dc, TRANSPARENT);
}

namespace {
// The caption is the first word of the text; the rest of the line follows it.
const char* CaptionRemainder(const char* text, const char* caption) {
    const char* space = std::strchr(text, ' ');
    if (!space || IsBlankText(caption))
        return "";
    const char* remainder = space + 1;
    while (*remainder == ' ')
        ++remainder;
    return remainder;
}

// The bitmap, the caption in black, then the rest of the line after it.
void DrawCaptionCell(MarkupState& state, const char* bitmapName, const char* caption, const char* remainder) {
    int width = ClampCoord(static_cast<long long>(CellRect.right) - CellRect.left);
    DrawMarkupBitmap(state, bitmapName, CellRect.left, AddCoord(CellRect.top, CaptionBitmapDrop), &width);
    CellRect.left = AddCoord(CellRect.left, CaptionBitmapAdvance);

    SetTextColor(state.dc, RGB(0, 0, 0));
    RECT measured = CellRect;
    DrawTextA(state.dc, caption, -1, &measured, DT_CALCRECT);
    RECT captionCell = CellRect;
    DrawTextA(state.dc, caption, -1, &captionCell, 0);
    CellRect.left = AddCoord(measured.right, state.cellGap);
    if (!IsBlankText(remainder))
        DrawTextA(state.dc, remainder, -1, &CellRect, WrappedRunFlags);
}
} // namespace

void TagCA(MarkupState& state) {
    const ColumnArg arg = ReadColumnArg(state);
    Column column = {};
    if (!EnterColumn(state, arg.index, &column))
        return;
    CopyBounded(state.scratchText.data(), state.scratchText.size(), arg.text);
    char colours[GradientColoursSize];
    char bitmapName[BitmapNameSize];
    char caption[CaptionSize];
    SplitMarkupFields(state.scratchText.data(), colours, sizeof colours, bitmapName, sizeof bitmapName, caption,
                      sizeof caption);
    const char* remainder = CaptionRemainder(arg.text, caption);

    CellRect.left = column.x;
    CellRect.right = column.end;
    state.cursorX = column.end;
    if (!state.selected) {
        FillGradientCell(state.dc, CellRect, colours);
        SetBkMode(state.dc, TRANSPARENT);
    }
    DrawColumnLine(state, column.x);
    CellRect.left = AddCoord(CellRect.left, state.cellGap);
    CellRect.right = AddCoord(CellRect.right, -state.cellGap);
    if (!IsBlankText(caption))
        DrawCaptionCell(state, bitmapName, caption, remainder);
}
