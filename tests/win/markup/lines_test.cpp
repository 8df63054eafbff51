// Separator, tree and line tags: where each line lands and where the cursor goes after it.
#include "markup_canvas.h"

using LineTags = MarkupTest;

namespace {
constexpr COLORREF LightGrey = RGB(192, 192, 192);
}

TEST_F(LineTags, SunkenSeparatorIsThreeColumnsAndMovesTheCursorOnePixel) {
    DrawMarkup("@X(40)@SEP(1)@SEP(4)");
    EXPECT_TRUE(ColumnIs(39, 10, 30, LightGrey));
    EXPECT_TRUE(ColumnIs(40, 10, 30, Black));
    EXPECT_TRUE(ColumnIs(41, 10, 30, Red)); // the next separator, at the new cursor
    EXPECT_EQ(CanvasColour, Pixel(40, 30));
    EXPECT_EQ(WindowColour(), Pixel(42, 20));
}

TEST_F(LineTags, TeeAndCornerRunTenScaledPixelsAndMoveTheCursorWithThem) {
    DrawMarkup("@X(20)@SEP(2)@SEP(4)");
    EXPECT_TRUE(ColumnIs(20, 10, 30, Black));
    EXPECT_TRUE(RowIs(20, 20, 30, Black));
    EXPECT_TRUE(ColumnIs(30, 10, 30, Red));

    DrawMarkup("@X(20)@SEP(3)");
    EXPECT_TRUE(ColumnIs(20, 10, 20, Black));
    EXPECT_EQ(WindowColour(), Pixel(20, 25));
    EXPECT_TRUE(RowIs(20, 20, 30, Black));
    EXPECT_EQ(WindowColour(), Pixel(30, 20));

    // At scale 1.5 the cursor is at 30 and the stub and the move are 15 pixels.
    Clear();
    const DRAWITEMSTRUCT item = MakeItem(0, 0);
    RenderMarkup(AppInstance, &item, Markup("@X(20)@SEP(2)@SEP(4)").c_str(), nullptr, 1.5);
    GdiFlush();
    EXPECT_TRUE(ColumnIs(30, 10, 30, Black));
    EXPECT_TRUE(RowIs(20, 30, 45, Black));
    EXPECT_TRUE(ColumnIs(45, 10, 30, Red));
}

TEST_F(LineTags, SeparatorsStopAtTheRightEdgeExceptTheEdgeMarker) {
    DrawMarkup("@X(500)@SEP(1)@SEP(2)@SEP(0)@SEP(6)");
    EXPECT_TRUE(ColumnIs(198, 10, 30, Red));
    EXPECT_EQ(0, CountOther(WindowColour(), {0, 10, 198, 30}));

    DrawMarkup("@X(60)@PEN(FF0000)@SEP(9)@SEP(4)");
    EXPECT_TRUE(ColumnIs(60, 10, 30, Red)); // no move: the red one covers the pen's line
    DrawMarkup("@X(60)@PEN(FF0000)@SEP(x)");
    EXPECT_TRUE(ColumnIs(60, 10, 30, Blue));
}

TEST_F(LineTags, TreeDrawsOneCellPerDigitAndLeavesTheCursorAfterThem) {
    Clear();
    DrawMarkup("@TREE(16,1123)@SEP(4)");
    EXPECT_TRUE(ColumnIs(8, 10, 30, Black));  // pass-through
    EXPECT_TRUE(ColumnIs(24, 10, 30, Black)); // pass-through
    EXPECT_TRUE(ColumnIs(40, 10, 30, Black)); // tee
    EXPECT_TRUE(RowIs(20, 40, 48, Black));
    EXPECT_TRUE(ColumnIs(56, 10, 20, Black)); // corner
    EXPECT_EQ(White, Pixel(56, 25));
    EXPECT_TRUE(RowIs(20, 56, 64, Black));
    EXPECT_TRUE(ColumnIs(64, 10, 30, Red));
    EXPECT_EQ(White, Pixel(2, 12)); // the cells' background

    DrawMarkup("@TREE(16,12a3)@SEP(4)");
    EXPECT_TRUE(ColumnIs(48, 10, 30, Red));

    DrawMarkup("@X(30)@TREE(16)@TREE(16,)@SEP(4)");
    EXPECT_TRUE(ColumnIs(30, 10, 30, Red));
    EXPECT_EQ(0, CountOther(WindowColour(), {0, 10, 30, 30}));
    EXPECT_EQ(0, CountOther(WindowColour(), {31, 10, 200, 30}));
}

TEST_F(LineTags, TreeCellPastTheColumnsEndIsSkippedButStillAdvances) {
    // The column ends at 40 - 5: the third cell (32..48) does not fit.
    DrawMarkup("@D(40)@TREE(16,111)@SEP(4)");
    EXPECT_TRUE(ColumnIs(8, 10, 30, Black));
    EXPECT_TRUE(ColumnIs(24, 10, 30, Black));
    EXPECT_EQ(WindowColour(), Pixel(40, 15));
    EXPECT_TRUE(ColumnIs(48, 10, 30, Red));
}

TEST_F(LineTags, RulesRunAlongTheFirstLastAndBelowRows) {
    DrawMarkup("@PEN(FF0000)@LIN(0)@LINC(0)");
    EXPECT_TRUE(RowIs(10, 0, 200, Blue));
    EXPECT_TRUE(RowIs(29, 0, 200, Blue));
    EXPECT_EQ(CanvasColour, Pixel(200, 10)); // the end point is not painted
    DrawMarkup("@PEN(FF0000)@LINB(0)");
    EXPECT_TRUE(RowIs(30, 0, 200, Blue));
}
