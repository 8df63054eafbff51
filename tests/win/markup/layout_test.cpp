// Layout, text, bitmap and colour tags: cursor moves, text runs in and out of columns, bitmaps,
// colours that a selected item ignores, and the pen that it does not.
#include "markup_canvas.h"

using LayoutTags = MarkupTest;

namespace {
int TextWidth(HDC dc, const char* text) {
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
    return size.cx;
}
} // namespace

TEST_F(LayoutTags, CursorMovesByPositionTagsAndTextExtent) {
    DrawMarkup("@X(10)@OFS(15)@SEP(4)");
    EXPECT_TRUE(ColumnIs(25, 10, 30, Red));
    DrawMarkup("@OFS(50)@XE(30)@SEP(4)");
    EXPECT_TRUE(ColumnIs(170, 10, 30, Red));

    // Two runs after @X: the second starts where the first ended.
    const int width = TextWidth(dc_, "WW");
    DrawMarkup("@X(10)@TXT(WW)@TXT(WW)@SEP(4)");
    EXPECT_TRUE(ColumnIs(10 + 2 * width, 10, 30, Red));
    // A run of spaces advances; an empty one does not.
    DrawMarkup("@X(10)@TXT(  )@TXT()@SEP(4)");
    EXPECT_TRUE(ColumnIs(10 + TextWidth(dc_, "  "), 10, 30, Red));
}

TEST_F(LayoutTags, TextNeverTouchesTheItemsLeftEdgeAndIsClippedInsideItsColumn) {
    const RECT item = {20, 10, 200, 30};
    Draw(Markup("@X(0)@TXT(Wg)"), 0, 0, &ZeroTable, item);
    EXPECT_NEAR(25, Extent(Black).left, 1);

    DrawMarkup("@X(20)@D(100)@TXT(WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW)");
    const RECT text = Extent(Black);
    EXPECT_GE(text.left, 25);
    EXPECT_LE(text.right, 115);
    EXPECT_GT(text.right, 105);

    DrawMarkup("@DTA(2)@TXT(Wg)");
    EXPECT_NEAR(200, Extent(Black).right, 2);
}

TEST_F(LayoutTags, BitmapIsDrawnWithoutItsKeyColourAndAdvancesByItsWidth) {
    DrawMarkup("@X(10)@BMP(ICOB011)@SEP(4)");
    EXPECT_EQ(WindowColour(), Pixel(10, 10)); // key-coloured corner
    EXPECT_EQ(IconGreen, Pixel(18, 18));
    EXPECT_TRUE(ColumnIs(30, 10, 30, Red));

    // Also on a selected item, whose colours are not the black and white the mask needs.
    DrawMarkup("@X(10)@BMP(ICOB011)", ODS_SELECTED);
    EXPECT_EQ(HighlightColour(), Pixel(10, 10));
    EXPECT_EQ(IconGreen, Pixel(18, 18));

    // @BBK paints the background colour behind the bitmap from the cursor to the item's end.
    DrawMarkup("@BCK(00FFFF)@X(10)@BBK(ICOB011)@SEP(4)");
    EXPECT_EQ(WindowColour(), Pixel(5, 20));
    EXPECT_EQ(RGB(255, 255, 0), Pixel(10, 10));
    EXPECT_EQ(RGB(255, 255, 0), Pixel(150, 20));
    EXPECT_EQ(IconGreen, Pixel(18, 18));
    EXPECT_TRUE(ColumnIs(30, 10, 30, Red));

    // A blank name or one that does not load draws nothing.
    DrawMarkup("@BMP( )@BMP(NOSUCHBITMAP)@RBR(NOSUCHBITMAP)");
    EXPECT_EQ(0, CountOther(WindowColour()));
}

TEST_F(LayoutTags, SelectedItemIgnoresColourTagsButNotThePen) {
    const std::string colours = "@FRG(0000FF)@BCK(00FF00)@BKM(1)@TXT(WWW)@RBR(ICOB011)";
    DrawMarkup(colours);
    EXPECT_GT(Count(IconGreen, DefaultItem), 0); // the pattern of @RBR
    DrawMarkup("@FRG(0000FF)@BCK(00FF00)@BKM(1)@TXT(WWW)");
    EXPECT_GT(Count(Red, DefaultItem), 0);
    EXPECT_GT(Count(Green, DefaultItem), 0);

    DrawMarkup(colours, ODS_SELECTED);
    EXPECT_EQ(0, Count(Red, DefaultItem));
    EXPECT_EQ(0, Count(Green, DefaultItem));
    EXPECT_EQ(0, Count(IconGreen, DefaultItem));
    EXPECT_GT(Count(WindowColour(), DefaultItem), 0);

    DrawMarkup("@PEN(FF0000)@X(50)@SEP(0)", ODS_SELECTED);
    EXPECT_TRUE(ColumnIs(50, 10, 30, Blue));

    // @BKM(0) makes text transparent over what is already drawn.
    DrawMarkup("@RECT(00FF00)@BCK(FFFFFF)@BKM(0)@TXT(WWW)");
    EXPECT_EQ(0, Count(White, DefaultItem));
}

TEST_F(LayoutTags, ColumnTagsAgainstTheZeroTableOrAMissingColumnDoNothing) {
    const std::string tags = "@XCOL(0)@CL(0,WW)@CSL(0,WW)@CS(0,WW)@CD(0,WW)@CR(0,FF0000FF0000)"
                             "@CA(0,FF0000FF0000\x86ICOB011\x86Title rest)@SEP(4)";
    DrawMarkup(tags);
    EXPECT_TRUE(ColumnIs(0, 10, 30, Red));
    EXPECT_EQ(0, CountOther(WindowColour(), {1, 10, 200, 30}));

    Draw(Markup(tags), 0, 0, nullptr);
    EXPECT_EQ(0, CountOther(WindowColour(), {1, 10, 200, 30}));

    const int xs[] = {40};
    const int widths[] = {50};
    const ColumnTable one = {1, xs, widths};
    Draw(Markup("@CS(1,WW)@CS(-1,WW)@XCOL(1)@XCOL(-1)@SEP(4)"), 0, 0, &one);
    EXPECT_TRUE(ColumnIs(0, 10, 30, Red));
    EXPECT_EQ(0, CountOther(WindowColour(), {1, 10, 200, 30}));
    const ColumnTable noWidths = {1, xs, nullptr};
    Draw(Markup("@CS(0,WW)@SEP(4)"), 0, 0, &noWidths);
    EXPECT_TRUE(ColumnIs(0, 10, 30, Red));
}

TEST_F(LayoutTags, ColumnTagsDrawTheirLineTextAndGradientInTheTablesColumn) {
    const int xs[] = {40, 120};
    const int widths[] = {60, 50};
    const ColumnTable table = {2, xs, widths};

    Draw(Markup("@PEN(FF0000)@CS(1,WWWWWWWWWWWWWWW)"), 0, 0, &table);
    EXPECT_TRUE(ColumnIs(120, 10, 30, Blue));
    const RECT text = Extent(Black);
    EXPECT_GE(text.left, 125);
    EXPECT_LE(text.right, 165);

    Draw(Markup("@CD(0;W)"), 0, 0, &table);
    EXPECT_NEAR(95, Extent(Black, {41, 10, 200, 30}).right, 2);

    Draw(Markup("@CR(0,FF0000FF0000)"), 0, 0, &table);
    EXPECT_EQ(Red, Pixel(40, 20)); // gradient texts are RRGGBB
    EXPECT_EQ(Red, Pixel(99, 20));
    EXPECT_EQ(WindowColour(), Pixel(100, 20));
    EXPECT_EQ(WindowColour(), Pixel(39, 20));
    Draw(Markup("@CR(0,FF0000FF0000)"), ODS_SELECTED, 0, &table);
    EXPECT_EQ(HighlightColour(), Pixel(50, 20));

    // The column ends the run: the cursor stands at the column's end.
    Draw(Markup("@CS(0,W)@SEP(4)"), 0, 0, &table);
    EXPECT_TRUE(ColumnIs(100, 10, 30, Red));
}

TEST_F(LayoutTags, CaptionedColumnDrawsGradientBitmapAndCaption) {
    const int xs[] = {10};
    const int widths[] = {180};
    const ColumnTable table = {1, xs, widths};
    Draw(Markup("@CA(0,FF0000FF0000\x86ICOB011\x86Title and the rest)"), 0, 0, &table);
    EXPECT_TRUE(ColumnIs(10, 10, 30, Black));
    EXPECT_EQ(Red, Pixel(12, 11));                 // gradient, under the key colour of the bitmap
    EXPECT_EQ(IconGreen, Pixel(15 + 8, 12 + 8));   // the bitmap at (left + gap, top + 2)
    EXPECT_GT(Count(Black, {45, 10, 80, 30}), 0);  // the caption, 30 pixels on
    EXPECT_GT(Count(Black, {90, 10, 190, 30}), 0); // the rest after it
    EXPECT_EQ(WindowColour(), Pixel(195, 20));     // nothing beyond the column

    // Fields longer than their buffers are cut.
    const std::string longField(300, 'F');
    Draw(Markup("@CA(0," + longField + "\x86" + longField + "\x86" + longField + " rest)"), 0, 0, &table);
    EXPECT_TRUE(ColumnIs(10, 10, 30, Black));
}
