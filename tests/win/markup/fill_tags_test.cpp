// Rectangle, gradient, bar and row tags: fills, the bar segments, row shading by parity and the
// edge rules.
#include "markup_canvas.h"

using FillTags = MarkupTest;

TEST_F(FillTags, RectAndGradientFillTheCellUnlessSelected) {
    DrawMarkup("@RECT(FF0000)@TXT(WWW)");
    EXPECT_EQ(0, CountOther(Blue) - Count(Black, DefaultItem)); // opaque text on the same colour

    DrawMarkup("@GRECT(FF000000FF00)");
    const COLORREF top = Pixel(100, 10);
    const COLORREF bottom = Pixel(100, 29);
    EXPECT_EQ(255, GetRValue(top));
    EXPECT_EQ(0, GetGValue(top));
    EXPECT_LT(GetRValue(bottom), 30);
    EXPECT_GT(GetGValue(bottom), 225);

    DrawMarkup("@RECT(FF0000)@GRECT(FF000000FF00)@TXT(WWW)", ODS_SELECTED);
    EXPECT_EQ(HighlightColour(), Pixel(150, 20));
    EXPECT_EQ(HighlightColour(), Pixel(150, 10 + 1));
}

TEST_F(FillTags, SegmentedBarHasEqualBlocksWithOnePixelGaps) {
    DrawMarkup("@DRC(FF0000,4)@DRS(0,100)");
    for (int gap : {0, 25, 50, 75})
        EXPECT_EQ(WindowColour(), Pixel(gap, 20)) << gap;
    for (int x : {1, 24, 26, 49, 51, 74, 76, 99})
        EXPECT_TRUE(ColumnIs(x, 10, 30, Blue)) << x;
    EXPECT_EQ(WindowColour(), Pixel(100, 20));

    DrawMarkup("@DRC(FF0000,0)@DRS(0,100)");
    EXPECT_EQ(0, CountOther(WindowColour()));

    // A bar cut into a huge number of segments still ends promptly.
    const DWORD start = GetTickCount();
    DrawMarkup("@DRC(FF0000,2000000000)@DRS(0,2000000000)@DRC(FF0000,2000000000)@DRS(0,100)");
    EXPECT_LT(GetTickCount() - start, 3000u);
}

TEST_F(FillTags, BarStopsAtTheItemsRightEdge) {
    DrawMarkup("@DRC(FF0000;1)@DR(10,5000)");
    EXPECT_EQ(WindowColour(), Pixel(9, 20));
    EXPECT_TRUE(RowIs(20, 10, 200, Blue));
    EXPECT_EQ(CanvasColour, Pixel(200, 20));
}

TEST_F(FillTags, RowsAreShadedByTheParityOfTheirIndex) {
    DrawMarkup("@SP()", 0, 0);
    EXPECT_EQ(RGB(0xEA, 0xFF, 0xFF), Pixel(100, 12));
    EXPECT_GT(Count(Black, {0, 20, 200, 21}), 50); // dotted rule through the middle
    EXPECT_EQ(0, Count(Black, {0, 10, 200, 20}));
    DrawMarkup("@SP()@SCB()", 0, 1);
    EXPECT_EQ(RGB(0xF8, 0xF8, 0xF8), Pixel(100, 20));

    DrawMarkup("@SF(C0C0C0)", 0, 2);
    EXPECT_EQ(RGB(192, 192, 192), Pixel(100, 20));
    DrawMarkup("@SF(C0C0C0)", 0, 3);
    EXPECT_EQ(White, Pixel(100, 20));

    DrawMarkup("@SCP(FF0000)@SCD(00FF00)@SCB", 0, 4);
    EXPECT_EQ(Blue, Pixel(100, 20));
    DrawMarkup("@SCP(FF0000)@SCD(00FF00)@SCB", 0, 5);
    EXPECT_EQ(Green, Pixel(100, 20));
    DrawMarkup("@SCP(FF0000)@SCB", ODS_SELECTED, 4);
    EXPECT_EQ(HighlightColour(), Pixel(100, 20));
}

TEST_F(FillTags, PatternRowWithoutAPatternEndsTheItem) {
    DrawMarkup("@SFB()@RECT(FF0000)");
    EXPECT_EQ(0, CountOther(WindowColour()));

    DrawMarkup("@SFP(ICOB011)@SFB()@X(50)@SEP(4)", 0, 0);
    EXPECT_GT(Count(IconGreen, DefaultItem), 0);
    EXPECT_TRUE(ColumnIs(50, 10, 30, Red));

    DrawMarkup("@SFP(ICOB011)@SFB()@X(50)@SEP(4)", 0, 1);
    EXPECT_EQ(0, CountOther(WindowColour()));
    DrawMarkup("@SFD(ICOB011)@SFB()@X(50)@SEP(4)", 0, 1);
    EXPECT_TRUE(ColumnIs(50, 10, 30, Red));
}

TEST_F(FillTags, EdgeRulesAndGradientRows) {
    DrawMarkup("@PEN(FF0000)@EL(0)");
    EXPECT_TRUE(RowIs(10, 0, 200, Blue));
    EXPECT_TRUE(RowIs(30, 0, 200, Blue));
    EXPECT_TRUE(RowIs(29, 1, 199, WindowColour()));
    DrawMarkup("@PEN(FF0000)@EL(1)");
    EXPECT_TRUE(RowIs(29, 0, 200, Blue));
    Clear();
    DrawMarkup("@PEN(FF0000)@EL(5)");
    EXPECT_TRUE(RowIs(10, 0, 200, Blue));
    EXPECT_TRUE(RowIs(29, 1, 199, WindowColour()));
    EXPECT_TRUE(RowIs(30, 0, 200, CanvasColour));

    DrawMarkup("@TL(0)");
    EXPECT_TRUE(RowIs(30, 0, 200, RGB(128, 128, 128)));
    EXPECT_TRUE(RowIs(29, 0, 200, RGB(192, 192, 192)));

    DrawMarkup("@FL(1)@TXT(WWW)");
    EXPECT_EQ(RGB(255, 0, 0), Pixel(150, 10));
    EXPECT_GT(Count(White, DefaultItem), 0); // white text
    EXPECT_EQ(0, Count(Black, DefaultItem));
    DrawMarkup("@FL(1)", ODS_SELECTED);
    EXPECT_EQ(HighlightColour(), Pixel(150, 10));
}
