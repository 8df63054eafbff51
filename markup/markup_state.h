// The drawing state one item's markup shares among the tag handlers.
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
