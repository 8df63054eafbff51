// The tag handlers, one unit per family; the walk dispatches to them by tag word.
#pragma once

#include "markup/markup_state.h"

// Layout, text, bitmap, colour and font tags (tags_layout.cpp).
void TagOfs(MarkupState& state);
void TagX(MarkupState& state);
void TagXE(MarkupState& state);
void TagD(MarkupState& state);
void TagXCol(MarkupState& state);
void TagBmp(MarkupState& state);
void TagBbk(MarkupState& state);
void TagRbr(MarkupState& state);
void TagTxt(MarkupState& state);
void TagTxl(MarkupState& state);
void TagDta(MarkupState& state);
void TagBck(MarkupState& state);
void TagBkm(MarkupState& state);
void TagFrg(MarkupState& state);
void TagPen(MarkupState& state);
void TagF01(MarkupState& state);
// Puts back the font that @F01(1) displaced and deletes the doubled one.
void RestoreSavedFont(MarkupState& state);

// Column-table tags (tags_columns.cpp).
void TagCL(MarkupState& state);
void TagCSL(MarkupState& state);
void TagCS(MarkupState& state);
void TagCD(MarkupState& state);
void TagCR(MarkupState& state);
void TagCA(MarkupState& state);

// Separator, tree and line tags (tags_lines.cpp).
void TagSep(MarkupState& state);
void TagTree(MarkupState& state);
void TagLin(MarkupState& state);
void TagLinB(MarkupState& state);
void TagLinC(MarkupState& state);

// Rectangle, gradient and bar tags (tags_fill.cpp).
void TagRect(MarkupState& state);
void TagGRect(MarkupState& state);
void TagDRC(MarkupState& state);
void TagDR(MarkupState& state);
void TagDRS(MarkupState& state);

// Row shading and edge rules (tags_rows.cpp).
void TagEL(MarkupState& state);
void TagTL(MarkupState& state);
void TagFL(MarkupState& state);
void TagSP(MarkupState& state);
void TagSF(MarkupState& state);
void TagSFP(MarkupState& state);
void TagSFD(MarkupState& state);
void TagSFB(MarkupState& state);
void TagSCP(MarkupState& state);
void TagSCD(MarkupState& state);
void TagSCB(MarkupState& state);
