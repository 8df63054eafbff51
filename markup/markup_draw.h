// The drawing helpers the tag families share, and the working cell they draw in.
#pragma once

#include <windows.h>

#include "markup/markup_state.h"

// The working rectangle; most tags reset it to the item rectangle and narrow it. One for the
// process, so rendering is not re-entrant.
extern RECT CellRect;

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
