// Every tag word of the item markup, one row each, in the order a name is matched against them:
// an Exact word matches only itself, a Prefix word any name that begins with it (so "@TXT7" is
// "@TXT", and "@CSL" has to come before "@CS"). A row is the tag's name, whose handler is
// Tag<name> (declared and dispatched from this list), its word and how it matches.
// Adding a tag is one row here plus its handler. Win32-free.
#pragma once

#define MARKUP_TAG_LIST(ROW)                                                                                           \
    ROW(Ofs, "@OFS", Exact)                                                                                            \
    ROW(X, "@X", Exact)                                                                                                \
    ROW(XE, "@XE", Exact)                                                                                              \
    ROW(D, "@D", Exact)                                                                                                \
    ROW(XCol, "@XCOL", Exact)                                                                                          \
    ROW(Bmp, "@BMP", Prefix)                                                                                           \
    ROW(Bbk, "@BBK", Prefix)                                                                                           \
    ROW(Rbr, "@RBR", Exact)                                                                                            \
    ROW(CL, "@CL", Prefix)                                                                                             \
    ROW(CSL, "@CSL", Prefix)                                                                                           \
    ROW(CA, "@CA", Prefix)                                                                                             \
    ROW(CS, "@CS", Prefix)                                                                                             \
    ROW(CD, "@CD", Prefix)                                                                                             \
    ROW(CR, "@CR", Prefix)                                                                                             \
    ROW(Txt, "@TXT", Prefix)                                                                                           \
    ROW(Txl, "@TXL", Prefix)                                                                                           \
    ROW(Dta, "@DTA", Exact)                                                                                            \
    ROW(Bck, "@BCK", Exact)                                                                                            \
    ROW(Bkm, "@BKM", Exact)                                                                                            \
    ROW(Frg, "@FRG", Prefix)                                                                                           \
    ROW(Pen, "@PEN", Prefix)                                                                                           \
    ROW(Sep, "@SEP", Exact)                                                                                            \
    ROW(Tree, "@TREE", Exact)                                                                                          \
    ROW(Lin, "@LIN", Exact)                                                                                            \
    ROW(LinB, "@LINB", Exact)                                                                                          \
    ROW(LinC, "@LINC", Exact)                                                                                          \
    ROW(EL, "@EL", Exact)                                                                                              \
    ROW(TL, "@TL", Exact)                                                                                              \
    ROW(FL, "@FL", Exact)                                                                                              \
    ROW(Rect, "@RECT", Exact)                                                                                          \
    ROW(GRect, "@GRECT", Exact)                                                                                        \
    ROW(SP, "@SP", Exact)                                                                                              \
    ROW(DRC, "@DRC", Exact)                                                                                            \
    ROW(DR, "@DR", Exact)                                                                                              \
    ROW(DRS, "@DRS", Exact)                                                                                            \
    ROW(SF, "@SF", Exact)                                                                                              \
    ROW(SFP, "@SFP", Exact)                                                                                            \
    ROW(SFD, "@SFD", Exact)                                                                                            \
    ROW(SFB, "@SFB", Exact)                                                                                            \
    ROW(SCP, "@SCP", Exact)                                                                                            \
    ROW(SCD, "@SCD", Exact)                                                                                            \
    ROW(SCB, "@SCB", Exact)                                                                                            \
    ROW(F01, "@F01", Prefix)
