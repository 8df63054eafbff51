// Percentage status bar: ground and frame, where the bar ends, its pattern, the red label, the
// 30 columns it never paints, and no GDI object left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "resources/resource_ids.h"
#include "skin/panel.h"
#include "skin/skin_state.h"
#include "skin_test_support.h"

using namespace skintest;

namespace {
constexpr int W = 342; // the wait dialog's bar, 228 x 10 dialog units
constexpr int H = 16;
constexpr int Mid = H / 2;
constexpr int BarLeft = 32;

void Compose(Canvas& canvas, int percent) {
    StatusPercent = percent;
    ComposeStatusBar(canvas.dc(), canvas.width(), canvas.height());
}

// The first column right of the bar: every column from it to the edge is ground on the middle row.
void ExpectGroundFrom(const Canvas& bar, int firstColumn) {
    ASSERT_TRUE(AllPixels(bar, Yellow, {firstColumn, Mid, bar.width(), Mid + 1}));
}

// The bar's right outline is white in column `right` - 1 and the ground starts at `right`.
void ExpectBarEndsAt(const Canvas& bar, int right) {
    EXPECT_EQ(White, bar.At(right - 1, Mid));
    ExpectGroundFrom(bar, right);
}
} // namespace

TEST(StatusBar, YellowGroundWithBlackTopAndGreyLeftEdgesOnly) {
    Canvas bar(W, H);
    Compose(bar, 45);
    EXPECT_EQ(LightGrey, bar.At(0, 0));
    ASSERT_TRUE(AllPixels(bar, LightGrey, {0, 0, 1, H})) << "left edge";
    ASSERT_TRUE(AllPixels(bar, Black, {1, 0, W, 1})) << "top edge";
    ASSERT_TRUE(AllPixels(bar, Yellow, {1, H - 1, W, H})) << "bottom row";
    ASSERT_TRUE(AllPixels(bar, Yellow, {W - 1, 1, W, H})) << "right column";
}

TEST(StatusBar, BarEndFollowsThePercentage) {
    Canvas bar(W, H);
    Compose(bar, 45);
    // (342 - 60) x 0.45 + 30 = 156.9: the rectangle ends at 154.
    EXPECT_EQ(Yellow, bar.At(BarLeft - 1, Mid));
    EXPECT_EQ(White, bar.At(BarLeft, Mid));
    ExpectBarEndsAt(bar, 154);
}

TEST(StatusBar, NothingOrLessDrawsNoBarRightOfItsStart) {
    for (int percent : {-5, 0, 1}) {
        SCOPED_TRACE(percent);
        Canvas bar(W, H);
        Compose(bar, percent);
        // The rectangle runs from 32 back to 30 (at 1 %: 282 x 0.01 + 30 = 32.8, the same).
        ExpectGroundFrom(bar, BarLeft + 1);
    }
}

TEST(StatusBar, HundredAndAboveDrawTheSameFullBar) {
    Canvas full(W, H);
    Canvas over(W, H);
    Compose(full, 100);
    Compose(over, 250);
    ExpectBarEndsAt(full, W - 32);
    ASSERT_TRUE(SamePixels(full, over, {40, 0, W, H}));
}

TEST(StatusBar, BarIsFilledWithTheStatusPatternFromTheBufferOrigin) {
    const Pixels pattern = ReadResourceBitmap("BRUSHSTATUS");
    ASSERT_EQ(8, pattern.width);
    ASSERT_EQ(8, pattern.height);
    Canvas bar(W, H);
    Compose(bar, 100);
    for (int y = 4; y < H - 4; ++y)
        for (int x = 48; x < W - 48; ++x)
            ASSERT_EQ(pattern.At(x % 8, y % 8), bar.At(x, y)) << x << "," << y;
}

TEST(StatusBar, LabelIsTheReceivedNumberInRedAtTheLeft) {
    for (int percent : {-5, 0, 45, 100, 250}) {
        SCOPED_TRACE(percent);
        Canvas bar(W, H);
        Compose(bar, percent);
        EXPECT_EQ(std::to_string(percent) + "%", StatusText);
        EXPECT_GT(bar.Count(Red, 2, 1, BarLeft, H), 8);
        EXPECT_EQ(0, bar.Count(Red, 0, 0, 2, H));
        EXPECT_EQ(0, bar.Count(Red, 60, 0, W, H));
    }
}

namespace {
class StatusBarOnScreen : public testing::Test {
protected:
    void SetUp() override {
        // Colours the bar must ignore.
        CurrentHostColours() = {RGB(0, 128, 0), RGB(0, 0, 128), static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))};
        bar_ = host_.AddChild("Static", "", SS_CENTER, IDC_WAIT_PERCENT, 20, 30, W, H);
        ASSERT_NE(nullptr, bar_);
        Subclass(bar_, StatusBarProc);
    }
    void TearDown() override { CurrentHostColours() = {}; }
    LRESULT Send(const char* text) { return SendMessageA(bar_, SetPercentMessage, 0, reinterpret_cast<LPARAM>(text)); }
    HostWindow host_;
    HWND bar_ = nullptr;
};
} // namespace

TEST_F(StatusBarOnScreen, PercentMessageStoresAndPaintsAllButTheRightmost30Columns) {
    PaintControl(bar_, Blue);
    EXPECT_EQ(0, Send("45"));
    EXPECT_EQ(45, StatusPercent);

    Canvas expected(W, H);
    Compose(expected, 45);
    Canvas shown(W, H);
    CaptureControl(bar_, shown);
    ASSERT_TRUE(SamePixels(expected, shown, {0, 0, W - 30, H}));
    ASSERT_TRUE(AllPixels(shown, Blue, {W - 30, 0, W, H}));
}

TEST_F(StatusBarOnScreen, TextIsReadAsADecimalNumber) {
    Send("  -5");
    EXPECT_EQ(-5, StatusPercent);
    Send("+12abc");
    EXPECT_EQ(12, StatusPercent);
    Send("none");
    EXPECT_EQ(0, StatusPercent);
    Send("99999999999999999999");
    EXPECT_EQ(2147483647, StatusPercent);
    Send("70");
    EXPECT_EQ(70, StatusPercent);
    Send(nullptr);
    EXPECT_EQ(0, StatusPercent);
}

TEST_F(StatusBarOnScreen, AnOverlongTextIsCutTo107Characters) {
    ShowWindow(bar_, SW_HIDE); // hidden, it is not painted, so the stored text stays
    const std::string text = "45" + std::string(200, '7');
    EXPECT_EQ(0, Send(text.c_str()));
    EXPECT_EQ(107u, strnlen(StatusText, StatusTextSize));
    EXPECT_EQ(text.substr(0, 107), StatusText);
}

TEST_F(StatusBarOnScreen, OtherMessagesReachTheStaticClass) {
    SetWindowTextA(bar_, "testo");
    char text[16] = {};
    GetWindowTextA(bar_, text, sizeof text);
    EXPECT_STREQ("testo", text);
}

TEST_F(StatusBarOnScreen, ThousandPaintsLeaveNoGdiObjectBehind) {
    Send("1");
    const int before = CountGdiObjects();
    char text[16];
    for (int i = 0; i < 1000; ++i) {
        snprintf(text, sizeof text, "%d", i % 120 - 10);
        Send(text);
    }
    EXPECT_EQ(before, CountGdiObjects());
}

TEST_F(StatusBarOnScreen, RepaintsAtOnceForANewValueOrAPendingPaintOnly) {
    Send("45");
    // Blue put straight on the screen: only a repaint of the bar would cover it.
    PaintControl(bar_, Blue);
    Send("45");
    Canvas shown(W, H);
    CaptureControl(bar_, shown);
    EXPECT_EQ(Blue, shown.At(5, H / 2)) << "an unchanged value repainted the same pixels";

    Send("46");
    CaptureControl(bar_, shown);
    EXPECT_NE(Blue, shown.At(5, H / 2)) << "a new value must show at once";

    PaintControl(bar_, Blue);
    InvalidateRect(bar_, nullptr, FALSE);
    Send("46");
    CaptureControl(bar_, shown);
    EXPECT_NE(Blue, shown.At(5, H / 2)) << "a bar left to paint must be painted at once";
}
