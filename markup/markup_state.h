// The drawing state one item's markup shares among the tag handlers, and the small drawing
// helpers the handler families have in common.
#pragma once

#include <windows.h>

#include <vector>

#include "markup/markup.h"
#include "markup/markup_syntax.h"

constexpr size_t TagNameSize = 504;
constexpr size_t RowPatternSize = 24;
constexpr UINT TextRunFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX; // 0x824
constexpr UINT WrappedRunFlags = DT_WORDBREAK | DT_NOPREFIX;            // 0x810
constexpr UINT RightRunFlags = TextRunFlags | DT_RIGHT;                 // 0x826
constexpr COLORREF MarkupBitmapKey = RGB(1, 1, 1);

// The working rectangle; most tags reset it to the item rectangle and narrow it. One for the
// process, so rendering is not re-entrant.
extern RECT CellRect;

struct MarkupState {
    HINSTANCE instance;
    const DRAWITEMSTRUCT* item;
    HDC dc;
    const ColumnTable* columns;
    double scale;
    bool selected;

    int itemLeft;
    int cursorX;
    int columnStart;
    int columnWidth;
    int cellGap;
    int thinStep;
    int wideStep;
    COLORREF penColour;
    UINT drawFlags;
    HFONT savedFont; // the font the doubled one displaced; null when none is doubled

    COLORREF barColour;
    int barSegments;
    COLORREF evenRowColour;
    COLORREF oddRowColour;
    char evenRowPattern[RowPatternSize];
    char oddRowPattern[RowPatternSize];
    bool endOfItem; // set by a tag that ends the item's drawing

    char tagName[TagNameSize];
    std::vector<char> tagArg;      // length of the markup + 1
    std::vector<char> scratchText; // same length, work copy for @CA

    MarkupState(HINSTANCE moduleInstance, const DRAWITEMSTRUCT* drawItem, const ColumnTable* columnTable,
                double scaleFactor, size_t textLength);
    MarkupState(const MarkupState&) = delete;
    MarkupState& operator=(const MarkupState&) = delete;

    char* arg() { return tagArg.data(); }
    int Scaled(int value) const { return ScaleInt(value, scale); }
    // Even index in the list: the row-shading tags pick their colour or pattern by it.
    bool IsEvenRow() const { return item->itemID % 2 == 0; }
};

// CellRect = the item rectangle.
void ResetCell(const MarkupState& state);

// A solid brush of `colour` over `rect`, created and deleted here.
void FillSolid(HDC dc, const RECT& rect, COLORREF colour);
// A line from (x1, y1) to (x2, y2), end point excluded, with a new pen that is deleted here.
void DrawPenLine(HDC dc, int style, COLORREF colour, int x1, int y1, int x2, int y2);
// The same with the pen the DC already holds.
void DrawLine(HDC dc, int x1, int y1, int x2, int y2);

// The vertical gradient of @GRECT over rect, from the top to the bottom colour of a 12-digit
// RRGGBBRRGGBB text.
void FillGradientCell(HDC dc, const RECT& rect, const char* colours);

// Loads the named bitmap, lowers *width to its width when it is narrower, and draws it at (x, y)
// with key colour 0x010101. A name that does not load draws nothing and leaves *width.
void DrawMarkupBitmap(const MarkupState& state, const char* name, int x, int y, int* width);

// Looks up column `index` of the caller's table: false when the table has no such column
// (negative index, not below the table's count, or null arrays).
bool LookUpColumn(const MarkupState& state, int index, int* x, int* width);
