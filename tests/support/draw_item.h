// The request an owner-drawn control's parent receives with WM_DRAWITEM, for the tests that draw
// controls by calling their drawing code directly.
#pragma once

#include <windows.h>

// The control, its type, what to draw and in which state; the caller adds the item, the DC and
// the rectangle where its drawing code reads them.
inline DRAWITEMSTRUCT MakeDrawItem(UINT type, HWND control, UINT action, UINT state) {
    DRAWITEMSTRUCT drawItem = {};
    drawItem.CtlType = type;
    drawItem.itemAction = action;
    drawItem.itemState = state;
    drawItem.hwndItem = control;
    return drawItem;
}
