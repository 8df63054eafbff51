// The item markup renderer: draws owner-drawn list items from their tag-command text.
#pragma once

#include <windows.h>

// The caller's column table. The first field is the number of columns in x and width;
// a column tag whose index is outside it, or a table with null arrays, is ignored.
struct ColumnTable {
    int count;
    const int* x;
    const int* width;
};

int DrawMarkupItem(HINSTANCE instance, const DRAWITEMSTRUCT* drawItem, const ColumnTable* columns);
int DrawItemFocus(HINSTANCE instance, const DRAWITEMSTRUCT* drawItem, const ColumnTable* columns);
int DrawItemBody(HINSTANCE instance, const DRAWITEMSTRUCT* drawItem, const ColumnTable* columns);
void RenderMarkup(HINSTANCE instance, const DRAWITEMSTRUCT* drawItem, const char* text, const ColumnTable* columns,
                  double scale);
