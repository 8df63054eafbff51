// TEMPORARY placeholder until the markup renderer lands.
#include "markup/markup.h"
int DrawMarkupItem(HINSTANCE, const DRAWITEMSTRUCT*, const ColumnTable*) { return 1; }
int DrawItemFocus(HINSTANCE, const DRAWITEMSTRUCT*, const ColumnTable*) { return 1; }
int DrawItemBody(HINSTANCE, const DRAWITEMSTRUCT*, const ColumnTable*) { return 1; }
void RenderMarkup(HINSTANCE, const DRAWITEMSTRUCT*, const char*, const ColumnTable*, double) {}
