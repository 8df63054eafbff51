// The tag handlers, one unit per family, and the dispatch from tag to handler.
#pragma once

#include "markup/markup_state.h"
#include "markup/markup_syntax.h"

// One handler per tag, Tag<name>, in the unit of its family: tags_layout.cpp (layout, text,
// bitmap, colour and font), tags_columns.cpp (column table), tags_lines.cpp (separator, tree,
// lines), tags_fill.cpp (rectangles, gradients, bars), tags_rows.cpp (row shading, edge rules).
#define MARKUP_TAG_HANDLER(name, word, match) void Tag##name(MarkupState& state);
MARKUP_TAG_LIST(MARKUP_TAG_HANDLER)
#undef MARKUP_TAG_HANDLER

// Puts back the font that @F01(1) displaced and deletes the doubled one.
void RestoreSavedFont(MarkupState& state);

// Runs the handler of `tag`; None draws nothing.
void DispatchTag(MarkupTag tag, MarkupState& state);
