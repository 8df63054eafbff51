// Rounded panel: outer rounded rectangle in the parent's WM_CTLCOLORSTATIC colours, white inner
// area 8 pixels in, and no GDI object left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/gdi_handles.h"
#include "resources/resource_ids.h"
#include "skin/panel.h"
#include "skin_test_support.h"

using namespace skintest;

namespace {
constexpr int W = 200;
constexpr int H = 120;

void ExpectPanel(const Canvas& panel, COLORREF outline, COLORREF fill, COLORREF beneath) {
    const int w = panel.width();
    const int h = panel.height();
    const int midX = w / 2;
    const int midY = h / 2;
    // Outer outline in the parent's text colour.
    EXPECT_EQ(outline, panel.At(0, midY));
    EXPECT_EQ(outline, panel.At(w - 1, midY));
    EXPECT_EQ(outline, panel.At(midX, 0));
    EXPECT_EQ(outline, panel.At(midX, h - 1));
    // The parent's brush between the two outlines.
    for (int d = 1; d < 8; ++d) {
        EXPECT_EQ(fill, panel.At(d, midY)) << d;
        EXPECT_EQ(fill, panel.At(w - 1 - d, midY)) << d;
        EXPECT_EQ(fill, panel.At(midX, d)) << d;
        EXPECT_EQ(fill, panel.At(midX, h - 1 - d)) << d;
    }
    // White from 8 pixels in, outline included, to 8 pixels before the far edges.
    ASSERT_TRUE(AllPixels(panel, White, {8, midY, w - 8, midY + 1})) << "middle row";
    ASSERT_TRUE(AllPixels(panel, White, {midX, 8, midX + 1, h - 8})) << "middle column";
    // The rounded corners leave what was beneath.
    EXPECT_EQ(beneath, panel.At(0, 0));
    EXPECT_EQ(beneath, panel.At(w - 1, h - 1));
}

class PanelTest : public testing::Test {
protected:
    void TearDown() override { CurrentHostColours() = {}; }
    HostWindow host_;
};
} // namespace

TEST_F(PanelTest, OuterColoursComeFromTheParentAndTheInnerAreaIsWhite) {
    HWND panel = host_.AddChild("Static", "", 0, IDC_WAIT_PANEL, 10, 10, W, H);
    const COLORREF fills[] = {RGB(0, 128, 128), RGB(200, 180, 40)};
    const COLORREF outlines[] = {Black, RGB(0, 0, 200)};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        BrushHandle brush(CreateSolidBrush(fills[i]));
        CurrentHostColours() = {outlines[i], White, brush.get()};
        Canvas canvas(W, H, Magenta);
        DrawRoundedPanel(panel, canvas.dc(), W, H);
        ExpectPanel(canvas, outlines[i], fills[i], Magenta);
    }
}

TEST_F(PanelTest, PaintsThroughItsWindowProcedure) {
    BrushHandle brush(CreateSolidBrush(RGB(0, 128, 128)));
    CurrentHostColours() = {Black, White, brush.get()};
    HWND panel = host_.AddChild("Static", "", SS_BLACKFRAME, IDC_WAIT_PANEL, 10, 10, W, H);
    Subclass(panel, RoundedPanelProc);
    PaintControl(panel, Blue);
    InvalidateRect(panel, nullptr, FALSE);
    UpdateWindow(panel);
    Canvas shown(W, H);
    CaptureControl(panel, shown);
    ExpectPanel(shown, Black, RGB(0, 128, 128), Blue);

    // Hit testing is the Static class's: it lets the mouse through to the dialog.
    RECT frame = {};
    GetWindowRect(panel, &frame);
    EXPECT_EQ(HTTRANSPARENT, SendMessageA(panel, WM_NCHITTEST, 0, MAKELPARAM(frame.left + 20, frame.top + 20)));
}

TEST_F(PanelTest, ThousandPaintsLeaveNoGdiObjectBehind) {
    BrushHandle brush(CreateSolidBrush(RGB(0, 128, 128)));
    CurrentHostColours() = {Black, White, brush.get()};
    HWND panel = host_.AddChild("Static", "", 0, IDC_WAIT_PANEL, 10, 10, W, H);
    Subclass(panel, RoundedPanelProc);
    InvalidateRect(panel, nullptr, FALSE);
    UpdateWindow(panel);
    const int before = CountGdiObjects();
    for (int i = 0; i < 1000; ++i) {
        InvalidateRect(panel, nullptr, FALSE);
        UpdateWindow(panel);
    }
    EXPECT_EQ(before, CountGdiObjects());
}

TEST(GdiCounter, SeesOneObjectComeAndGo) {
    const int before = CountGdiObjects();
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    EXPECT_EQ(before + 1, CountGdiObjects());
    DeleteObject(pen);
    EXPECT_EQ(before, CountGdiObjects());
}
