// The drawing entries and the walk: selection and focus looks, plain text, the item text buffer,
// the dispatch order of the tag words, and the font restored at the end of an item.
#include "markup_canvas.h"

using ItemEntry = MarkupTest;

TEST_F(ItemEntry, PlainTextIsOneLineAtTheItemsLeftAndBlankTextDrawsNothing) {
    Draw("Wg");
    const RECT text = Extent(Black);
    ASSERT_LT(text.left, text.right);
    EXPECT_LE(text.left, 2);                          // no inset for plain text
    EXPECT_NEAR((text.top + text.bottom) / 2, 20, 3); // vertically centred in rows 10..29
    EXPECT_EQ(0, CountOther(CanvasColour, {0, 0, CanvasWidth, 10}));

    Clear();
    Draw("     ");
    EXPECT_EQ(0, CountOther(WindowColour()));
}

TEST_F(ItemEntry, SelectedItemIsHighlightedWithTextInTheWindowColourAndFocusGetsABlackFrame) {
    Draw("WWW", ODS_SELECTED);
    EXPECT_EQ(HighlightColour(), Pixel(150, 20));
    EXPECT_GT(Count(WindowColour(), DefaultItem), 0); // the text
    EXPECT_EQ(0, Count(Black, DefaultItem));

    Clear();
    Draw(Markup("@RECT(FF0000)"), ODS_FOCUS);
    EXPECT_TRUE(RowIs(10, 0, 200, Black));
    EXPECT_TRUE(RowIs(29, 0, 200, Black));
    EXPECT_TRUE(ColumnIs(0, 10, 30, Black));
    EXPECT_TRUE(ColumnIs(199, 10, 30, Black));
    EXPECT_EQ(Blue, Pixel(100, 20)); // the frame comes after the markup
}

TEST_F(ItemEntry, OnlyDrawSelectAndFocusActionsDraw) {
    Draw("WWW", 0, 0, &ZeroTable, DefaultItem, 8);
    EXPECT_EQ(0, CountOther(CanvasColour));

    Draw("WWW", ODS_FOCUS, 0, &ZeroTable, DefaultItem, ODA_FOCUS);
    EXPECT_EQ(CanvasColour, Pixel(100, 20)); // a focus rectangle only
    EXPECT_GT(CountOther(CanvasColour, {0, 10, 200, 11}), 50);

    Draw("WWW", 0, 0, &ZeroTable, DefaultItem, ODA_SELECT);
    EXPECT_EQ(WindowColour(), Pixel(150, 20));

    // An empty list: no body is drawn without focus.
    Clear();
    DRAWITEMSTRUCT none = MakeItem(0, 0);
    none.itemID = static_cast<UINT>(-1);
    DrawItem(none);
    EXPECT_EQ(0, CountOther(CanvasColour));
}

TEST_F(ItemEntry, TextThatDoesNotFitTheItemBufferIsDrawnAsAnEmptyItem) {
    const std::string fill = Markup("@RECT(FF0000)");
    Draw(fill + std::string(2547 - fill.size(), ' '));
    EXPECT_EQ(Blue, Pixel(100, 20));

    Clear();
    Draw(fill + std::string(2548 - fill.size(), ' '));
    EXPECT_EQ(0, CountOther(WindowColour()));

    Draw(fill + std::string(5000, ' '), ODS_SELECTED | ODS_FOCUS);
    EXPECT_EQ(HighlightColour(), Pixel(100, 20));
    EXPECT_EQ(Black, Pixel(0, 10));
}

TEST_F(ItemEntry, BytesOutsideTagsAndUnknownTagsAreSkipped) {
    DrawMarkup("Wg Wg @NOPE(1) Wg @RECT(FF0000) Wg Wg");
    EXPECT_EQ(0, CountOther(Blue));

    // With parentheses the name runs on to the next opening byte: no tag is recognised.
    Draw("@RECT(FF0000)@FOO\x82\x83");
    EXPECT_EQ(0, CountOther(WindowColour()));
    Draw("@XYZ(1) @RECT\x82"
         "FF0000\x83");
    EXPECT_EQ(0, CountOther(WindowColour()));
}

TEST_F(ItemEntry, TagNameLongerThanItsBufferIsCut) {
    DrawMarkup("@" + std::string(1500, 'A') + "(1)@RECT(FF0000)");
    EXPECT_EQ(Blue, Pixel(100, 20));
    DrawMarkup("@RECT" + std::string(600, 'A') + "(00FF00)");
    EXPECT_EQ(0, CountOther(WindowColour()));
}

TEST_F(ItemEntry, DispatchTriesPrefixWordsInOrder) {
    const int xs[] = {40, 100};
    const int widths[] = {50, 60};
    const ColumnTable table = {2, xs, widths};

    // @XCOL must match exactly; @XCOL1 is ignored and the cursor stays at 0.
    Draw(Markup("@XCOL(1)@SEP(4)"), 0, 0, &table);
    EXPECT_TRUE(ColumnIs(100, 10, 30, Red));
    Draw(Markup("@XCOL1(1)@SEP(4)"), 0, 0, &table);
    EXPECT_TRUE(ColumnIs(0, 10, 30, Red));
    EXPECT_FALSE(ColumnIs(100, 10, 30, Red));

    // @TXT7 is @TXT; @RECT1 is not @RECT.
    Draw(Markup("@TXT7(Wg)@RECT1(FF0000)"));
    EXPECT_GT(Count(Black, DefaultItem), 0);
    EXPECT_EQ(0, Count(Blue, DefaultItem));

    // @CSL (top aligned, wrapped) is tried before @CS (centred); a tall item shows the difference.
    const RECT tall = {0, 0, 200, 50};
    Draw(Markup("@CSL(0,Wg)"), 0, 0, &table, tall);
    const RECT top = Extent(Black, {45, 0, 90, 50});
    Draw(Markup("@CS(0,Wg)"), 0, 0, &table, tall);
    const RECT centred = Extent(Black, {45, 0, 90, 50});
    Draw(Markup("@CSLX(0,Wg)"), 0, 0, &table, tall);
    const RECT suffixed = Extent(Black, {45, 0, 90, 50});
    ASSERT_LT(top.top, top.bottom);
    EXPECT_LT(top.top, 8);
    EXPECT_GT(centred.top, top.top + 8);
    EXPECT_EQ(top.top, suffixed.top);
}

TEST_F(ItemEntry, DoubledFontIsUndoneAtTheEndOfTheItem) {
    // The cursor after a run shows the width of the font it was drawn in.
    HGDIOBJ before = GetCurrentObject(dc_, OBJ_FONT);
    SIZE normal = {};
    GetTextExtentPoint32A(dc_, "WWWW", 4, &normal);
    ASSERT_GT(normal.cx, 20);
    DrawMarkup("@F01(1)@TXT(WWWW)@SEP(4)");
    EXPECT_TRUE(ColumnIs(2 * normal.cx, 10, 30, Red));
    EXPECT_EQ(before, GetCurrentObject(dc_, OBJ_FONT));

    // A second @F01(1) keeps the font doubled once; @F01(0) goes back to the normal font.
    DrawMarkup("@F01(1)@F01(1)@TXT(WWWW)@SEP(4)");
    EXPECT_TRUE(ColumnIs(2 * normal.cx, 10, 30, Red));
    EXPECT_EQ(before, GetCurrentObject(dc_, OBJ_FONT));
    DrawMarkup("@F01(1)@F01(0)@TXT(WWWW)@SEP(4)");
    EXPECT_TRUE(ColumnIs(normal.cx, 10, 30, Red));
    EXPECT_EQ(before, GetCurrentObject(dc_, OBJ_FONT));
}
