// Rectangle, gradient and bar tags: solid and two-colour fills of the working rectangle, and
// bars, whole or cut into segments, across the item's height.
#include <algorithm>

#include "base/gdi_handles.h"
#include "markup/markup_draw.h"
#include "markup/markup_tags.h"

namespace {

// More segments than this cannot be told apart on any screen; the rest of the bar is left out.
constexpr int MaxBarSegments = 4096;

struct BarRange {
    int from;
    int to;
};

BarRange ReadBarRange(MarkupState& state) {
    BarRange range = {0, 0};
    ScanDecimal(state.arg(), &range.from);
    ScanDecimal(AfterListSeparator(state.arg()), &range.to);
    return range;
}

// trunc(value x Scale) + ItemLeft, for a bar position given in unscaled pixels.
int BarPosition(const MarkupState& state, long long value) {
    return AddCoord(state.itemLeft, state.Scaled(ClampCoord(value)));
}

} // namespace

void TagRect(MarkupState& state) {
    std::uint32_t colour = 0;
    if (state.selected || !ScanHexColour(state.arg(), &colour))
        return;
    FillSolid(state.dc, CellRect, colour);
    // Text drawn afterwards with an opaque background matches the fill.
    SetBkColor(state.dc, colour);
}

void TagGRect(MarkupState& state) {
    if (state.selected)
        return;
    FillGradientCell(state.dc, CellRect, state.arg());
    SetBkMode(state.dc, TRANSPARENT);
}

void TagDRC(MarkupState& state) {
    std::uint32_t colour = 0;
    if (ScanHexColour(state.arg(), &colour))
        state.barColour = colour;
    ScanDecimal(AfterListSeparator(state.arg()), &state.barSegments);
}

void TagDR(MarkupState& state) {
    const BarRange range = ReadBarRange(state);
    ResetCell(state);
    const int limit = AddCoord(state.itemLeft, state.Scaled(CellRect.right));
    CellRect.left = std::min(BarPosition(state, range.from), limit);
    CellRect.right = std::min(BarPosition(state, range.to), limit);
    FillSolid(state.dc, CellRect, state.barColour);
}

void TagDRS(MarkupState& state) {
    const BarRange range = ReadBarRange(state);
    ResetCell(state);
    if (state.barSegments <= 0)
        return;
    BrushHandle brush(CreateSolidBrush(state.barColour));
    if (!brush)
        return;
    const long long step = (static_cast<long long>(range.to) - range.from) / state.barSegments;
    // Segments of no width all land on the same spot: one draw shows them all.
    const int segments = step == 0 ? 1 : std::min(state.barSegments, MaxBarSegments);
    for (int i = 0; i < segments; ++i) {
        const long long left = range.from + i * step + state.thinStep;
        const long long right = range.from + (i + 1) * step;
        CellRect.left = BarPosition(state, left);
        CellRect.right = BarPosition(state, right);
        FillRect(state.dc, &CellRect, brush.get());
    }
}
