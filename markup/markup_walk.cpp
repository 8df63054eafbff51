// The three drawing entries of an owner-drawn item, the walk over its markup and the per-item state.
#include "markup/markup.h"

#include <cstring>

#include "base/gdi_handles.h"
#include "base/strings.h"
#include "markup/markup_draw.h"
#include "markup/markup_state.h"
#include "markup/markup_tags.h"

namespace {

constexpr size_t ItemTextSize = 2548;
// Shared by all items: the list box's text of the item being drawn.
char ItemText[ItemTextSize];

constexpr UINT NoItem = static_cast<UINT>(-1);
constexpr COLORREF FocusFrameColour = RGB(0, 0, 0);
constexpr COLORREF InitialRowColour = RGB(255, 255, 255);

// The item's text, or an empty one when it cannot be read or does not fit the buffer.
const char* FetchItemText(const DRAWITEMSTRUCT* drawItem) {
    ItemText[0] = '\0';
    const WPARAM index = drawItem->itemID & 0xFFFF;
    const LRESULT length = SendMessageA(drawItem->hwndItem, LB_GETTEXTLEN, index, 0);
    if (length < 0 || static_cast<size_t>(length) >= ItemTextSize)
        return ItemText;
    if (SendMessageA(drawItem->hwndItem, LB_GETTEXT, index, reinterpret_cast<LPARAM>(ItemText)) < 0)
        ItemText[0] = '\0';
    ItemText[ItemTextSize - 1] = '\0';
    return ItemText;
}

void FillWithSysColour(HDC dc, const RECT& rect, int index) {
    FillSolid(dc, rect, GetSysColor(index));
}

void FrameWith(HDC dc, const RECT& rect, COLORREF colour) {
    BrushHandle brush(CreateSolidBrush(colour));
    if (brush)
        FrameRect(dc, &rect, brush.get());
}

} // namespace

MarkupState::MarkupState(HINSTANCE moduleInstance, const DRAWITEMSTRUCT* drawItem, const ColumnTable* columnTable,
                         double scaleFactor, size_t textLength)
    : instance(moduleInstance), item(drawItem), dc(drawItem->hDC), columns(columnTable), scale(scaleFactor),
      selected((drawItem->itemState & ODS_SELECTED) != 0), itemLeft(drawItem->rcItem.left), cursorX(0), columnStart(0),
      columnWidth(0), cellGap(ScaleInt(5, scaleFactor)), thinStep(ScaleInt(1, scaleFactor)),
      wideStep(ScaleInt(10, scaleFactor)), penColour(RGB(0, 0, 0)), drawFlags(0), savedFont(nullptr),
      barColour(RGB(0, 0, 0)), barSegments(0), evenRowColour(InitialRowColour), oddRowColour(InitialRowColour),
      evenRowPattern(), oddRowPattern(), endOfItem(false), tagName(), tagArg(textLength + 1, '\0'),
      scratchText(textLength + 1, '\0') {}

void RenderMarkup(HINSTANCE instance, const DRAWITEMSTRUCT* drawItem, const char* text, const ColumnTable* columns,
                  double scale) {
    if (!drawItem || !text)
        return;
    HDC dc = drawItem->hDC;
    if (!std::strchr(text, TAG_OPEN)) {
        CellRect = drawItem->rcItem;
        if (!IsBlankText(text))
            DrawTextA(dc, text, -1, &CellRect, TextRunFlags);
        return;
    }
    const size_t length = std::strlen(text);
    MarkupState state(instance, drawItem, columns, scale, length);
    size_t pos = 0;
    while (pos < length && !state.endOfItem) {
        pos = ReadMarkupTag(text, pos, state.tagName, sizeof state.tagName, state.arg(), state.tagArg.size());
        DispatchTag(FindMarkupTag(state.tagName), state);
    }
    RestoreSavedFont(state);
}

int DrawItemBody(HINSTANCE instance, const DRAWITEMSTRUCT* drawItem, const ColumnTable* columns) {
    if (drawItem->itemID == NoItem)
        return 1;
    const char* text = FetchItemText(drawItem);
    HDC dc = drawItem->hDC;
    CellRect = drawItem->rcItem;
    if (!(drawItem->itemState & ODS_FOCUS))
        FrameWith(dc, CellRect, GetSysColor(COLOR_WINDOW));
    if (drawItem->itemState & ODS_SELECTED) {
        FillWithSysColour(dc, CellRect, COLOR_HIGHLIGHT);
        SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_WINDOW));
    } else {
        FillWithSysColour(dc, CellRect, COLOR_WINDOW);
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    }
    RenderMarkup(instance, drawItem, text, columns, 1.0);
    if (drawItem->itemState & ODS_FOCUS)
        FrameWith(dc, drawItem->rcItem, FocusFrameColour);
    return 1;
}

int DrawItemFocus(HINSTANCE instance, const DRAWITEMSTRUCT* drawItem, const ColumnTable* columns) {
    if (!(drawItem->itemState & ODS_FOCUS))
        return DrawItemBody(instance, drawItem, columns);
    RECT focus = drawItem->rcItem;
    DrawFocusRect(drawItem->hDC, &focus);
    return 1;
}

int DrawMarkupItem(HINSTANCE instance, const DRAWITEMSTRUCT* drawItem, const ColumnTable* columns) {
    if (drawItem->itemID == NoItem)
        return DrawItemFocus(instance, drawItem, columns);
    switch (drawItem->itemAction) {
    case ODA_DRAWENTIRE:
    case ODA_SELECT: return DrawItemBody(instance, drawItem, columns);
    case ODA_FOCUS: return DrawItemFocus(instance, drawItem, columns);
    }
    return 1;
}
