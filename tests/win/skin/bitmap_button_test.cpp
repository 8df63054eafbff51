// Skinned buttons: the four looks, the bevel, the caption's label and icon, state selection,
// the one copy to the button's own DC, and no GDI object left behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/gdi_handles.h"
#include "skin/bitmap.h"
#include "skin/bitmap_button.h"
#include "skin_test_support.h"
#include "support/draw_item.h"

using namespace skintest;

namespace {
constexpr int W = 99; // the setup dialog's buttons, 66 x 14 dialog units
constexpr int H = 23;
constexpr int IconLeft = 2;
constexpr int IconTop = 1;
constexpr int IconSize = 20;
constexpr int LabelLeft = 20;
constexpr char Caption[] = "&Conferma/ICOB011";

// The state's skin alone, stretched over the whole button.
void DrawSkinOnly(Canvas& canvas, const char* skinName) {
    BitmapHandle skin(LoadBitmapA(AppInstance, skinName));
    ASSERT_TRUE(skin);
    StretchBitmap(canvas.dc(), skin.get(), 0, 0, canvas.width(), canvas.height());
}

// Rows 0 and h - 1 between the bevels, and the strip under the icon left of the label.
void ExpectSkinAround(const Canvas& button, const Canvas& skin, const char* what) {
    const int w = button.width();
    const int h = button.height();
    ASSERT_TRUE(SamePixels(skin, button, {2, 0, w - 1, 1})) << what << " top row";
    ASSERT_TRUE(SamePixels(skin, button, {2, h - 1, w - 1, h})) << what << " bottom row";
    ASSERT_TRUE(SamePixels(skin, button, {2, IconTop + IconSize, LabelLeft, h})) << what << " under the icon";
}

// Icon columns left of the label rectangle: key pixels show the skin, every other pixel
// (pure black included) is the icon's own colour.
void ExpectIcon(const Canvas& button, const Canvas& skin, const char* iconName) {
    const Pixels icon = ReadResourceBitmap(iconName);
    ASSERT_EQ(IconSize, icon.width);
    ASSERT_EQ(IconSize, icon.height);
    int keys = 0;
    int opaque = 0;
    for (int iy = 0; iy < IconSize; ++iy) {
        for (int ix = 0; IconLeft + ix < LabelLeft; ++ix) {
            const int x = IconLeft + ix;
            const int y = IconTop + iy;
            if (icon.At(ix, iy) == Key) {
                ++keys;
                ASSERT_EQ(skin.At(x, y), button.At(x, y)) << iconName << " key at " << ix << "," << iy;
            } else {
                ++opaque;
                ASSERT_EQ(icon.At(ix, iy), button.At(x, y)) << iconName << " pixel at " << ix << "," << iy;
            }
        }
    }
    EXPECT_GT(keys, 0) << iconName << " has no transparent ground";
    EXPECT_GT(opaque, 0) << iconName << " has no picture";
}

void ExpectNoIcon(const Canvas& button, const Canvas& skin) {
    ASSERT_TRUE(SamePixels(skin, button, {IconLeft, IconTop, LabelLeft, IconTop + IconSize}));
}

// More pixels of the label's colour in the label rectangle than the bare skin has there.
int LabelPixels(const Canvas& button, const Canvas& skin, COLORREF colour) {
    const int left = IconLeft + IconSize;
    const int right = button.width() - 1;
    return button.Count(colour, left, 0, right, button.height()) - skin.Count(colour, left, 0, right, button.height());
}

void ExpectBevel(const Canvas& button, const Canvas& skin) {
    const int w = button.width();
    const int h = button.height();
    EXPECT_EQ(White, button.At(0, 0));
    EXPECT_EQ(White, button.At(0, h - 1));
    EXPECT_EQ(White, button.At(w - 1, 0));
    EXPECT_EQ(White, button.At(w - 1, h - 1));
    EXPECT_EQ(skin.At(1, 0), button.At(1, 0));
    EXPECT_EQ(skin.At(1, h - 1), button.At(1, h - 1));
    ASSERT_TRUE(AllPixels(button, LightGrey, {0, 1, 1, h - 1}));
    ASSERT_TRUE(AllPixels(button, White, {1, 1, 2, h - 1}));
    ASSERT_TRUE(AllPixels(button, DarkGrey, {w - 1, 1, w, h - 1}));
}

struct Look {
    int state;
    const char* skin;
    COLORREF label;
};
constexpr Look Looks[] = {
    {ButtonNormal, "BUTTONUP", Black},
    {ButtonPressed, "BUTTONDW", Red},
    {ButtonFocused, "BUTTONUP", Red},
    {ButtonDisabled, "BUTTONUP", LightGrey},
};
} // namespace

TEST(BitmapButton, EachStateShowsItsSkinLabelColourIconAndBevel) {
    for (const Look& look : Looks) {
        SCOPED_TRACE(look.state);
        Canvas skin(W, H);
        DrawSkinOnly(skin, look.skin);
        Canvas button(W, H);
        ComposeBitmapButton(button.dc(), W, H, AppInstance, Caption, look.state);
        ExpectSkinAround(button, skin, look.skin);
        ExpectIcon(button, skin, "ICOB011");
        EXPECT_GT(LabelPixels(button, skin, look.label), 10);
        ExpectBevel(button, skin);
    }
}

TEST(BitmapButton, PressedAndReleasedUseDifferentSkins) {
    Canvas up(W, H);
    Canvas down(W, H);
    DrawSkinOnly(up, "BUTTONUP");
    DrawSkinOnly(down, "BUTTONDW");
    Canvas pressed(W, H);
    ComposeBitmapButton(pressed.dc(), W, H, AppInstance, Caption, ButtonPressed);
    int differs = 0;
    for (int x = 2; x < W - 1; ++x)
        differs += (up.At(x, 0) != down.At(x, 0) || up.At(x, H - 1) != down.At(x, H - 1)) ? 1 : 0;
    ASSERT_GT(differs, 0) << "the two skins look alike at the edges";
    ExpectSkinAround(pressed, down, "BUTTONDW");
}

TEST(BitmapButton, OnlyTheFocusedAndPressedLabelsAreRed) {
    Canvas skin(W, H);
    DrawSkinOnly(skin, "BUTTONUP");
    Canvas normal(W, H);
    Canvas disabled(W, H);
    ComposeBitmapButton(normal.dc(), W, H, AppInstance, Caption, ButtonNormal);
    ComposeBitmapButton(disabled.dc(), W, H, AppInstance, Caption, ButtonDisabled);
    EXPECT_LE(LabelPixels(normal, skin, Red), 0);
    EXPECT_LE(LabelPixels(disabled, skin, Red), 0);
    EXPECT_LE(LabelPixels(disabled, skin, Black), 0);
}

TEST(BitmapButton, BevelHoldsOnOtherSizesAndNoTopOrBottomEdge) {
    for (const SIZE size : {SIZE{87, 22}, SIZE{40, 30}, SIZE{10, 22}}) {
        SCOPED_TRACE(size.cx);
        Canvas skin(size.cx, size.cy);
        DrawSkinOnly(skin, "BUTTONUP");
        Canvas button(size.cx, size.cy);
        ComposeBitmapButton(button.dc(), size.cx, size.cy, AppInstance, "", ButtonNormal);
        ExpectBevel(button, skin);
        ASSERT_TRUE(SamePixels(skin, button, {2, 0, size.cx - 1, 1})) << "top row";
        ASSERT_TRUE(SamePixels(skin, button, {2, size.cy - 1, size.cx - 1, size.cy})) << "bottom row";
    }
}

TEST(BitmapButton, EmptyCaptionOrLoneSlashGivesOnlySkinAndBevel) {
    Canvas skin(W, H);
    DrawSkinOnly(skin, "BUTTONUP");
    for (const char* caption : {"", "/", "//"}) {
        SCOPED_TRACE(caption);
        Canvas button(W, H);
        ComposeBitmapButton(button.dc(), W, H, AppInstance, caption, ButtonNormal);
        ExpectBevel(button, skin);
        ASSERT_TRUE(SamePixels(skin, button, {2, 0, W - 1, H}));
    }
}

TEST(BitmapButton, CaptionWithoutSlashIsAllLabel) {
    Canvas skin(W, H);
    DrawSkinOnly(skin, "BUTTONUP");
    Canvas button(W, H);
    ComposeBitmapButton(button.dc(), W, H, AppInstance, "Conferma", ButtonFocused);
    ExpectNoIcon(button, skin);
    EXPECT_GT(LabelPixels(button, skin, Red), 10);
}

TEST(BitmapButton, LeadingSlashMakesTheIconNameTheLabel) {
    Canvas skin(W, H);
    DrawSkinOnly(skin, "BUTTONUP");
    Canvas slashed(W, H);
    Canvas plain(W, H);
    ComposeBitmapButton(slashed.dc(), W, H, AppInstance, "/ICOB011", ButtonFocused);
    ComposeBitmapButton(plain.dc(), W, H, AppInstance, "ICOB011", ButtonFocused);
    ExpectNoIcon(slashed, skin);
    EXPECT_GT(LabelPixels(slashed, skin, Red), 10);
    ASSERT_TRUE(SamePixels(plain, slashed));
}

TEST(BitmapButton, SecondTokenNamesTheIconAndTheRestIsIgnored) {
    Canvas skin(W, H);
    DrawSkinOnly(skin, "BUTTONUP");
    Canvas button(W, H);
    ComposeBitmapButton(button.dc(), W, H, AppInstance, "&Annulla/ICOB002/ICOB011", ButtonNormal);
    ExpectIcon(button, skin, "ICOB002");

    Canvas unknown(W, H);
    ComposeBitmapButton(unknown.dc(), W, H, AppInstance, "Annulla/NOSUCHICON", ButtonNormal);
    ExpectNoIcon(unknown, skin);
    ExpectBevel(unknown, skin);
}

TEST(BitmapButton, AnOverlongIconNameIsCutAndFindsNoIcon) {
    Canvas skin(W, H);
    DrawSkinOnly(skin, "BUTTONUP");
    Canvas button(W, H);
    ComposeBitmapButton(button.dc(), W, H, AppInstance, "Ok/ICOB011ICOB011ICOB011ICOB011", ButtonNormal);
    ExpectNoIcon(button, skin);
}

TEST(BitmapButton, StateFollowsSelectionThenFocusThenFullRedraw) {
    EXPECT_EQ(ButtonPressed, ButtonStateForDrawItem(ODA_SELECT, ODS_SELECTED));
    EXPECT_EQ(ButtonNormal, ButtonStateForDrawItem(ODA_SELECT, ODS_FOCUS));
    EXPECT_EQ(ButtonNormal, ButtonStateForDrawItem(ODA_SELECT | ODA_FOCUS, ODS_FOCUS));
    EXPECT_EQ(ButtonPressed, ButtonStateForDrawItem(ODA_SELECT | ODA_DRAWENTIRE, ODS_SELECTED | ODS_DISABLED));
    EXPECT_EQ(ButtonFocused, ButtonStateForDrawItem(ODA_FOCUS, ODS_FOCUS));
    EXPECT_EQ(ButtonNormal, ButtonStateForDrawItem(ODA_FOCUS, ODS_SELECTED));
    EXPECT_EQ(ButtonFocused, ButtonStateForDrawItem(ODA_FOCUS | ODA_DRAWENTIRE, ODS_FOCUS | ODS_DISABLED));
    EXPECT_EQ(ButtonDisabled, ButtonStateForDrawItem(ODA_DRAWENTIRE, ODS_DISABLED));
    // A full redraw never shows the pressed or focused look.
    EXPECT_EQ(ButtonNormal, ButtonStateForDrawItem(ODA_DRAWENTIRE, ODS_SELECTED | ODS_FOCUS));
    EXPECT_EQ(0, ButtonStateForDrawItem(0, ODS_SELECTED | ODS_FOCUS | ODS_DISABLED));
}

namespace {
class ButtonOnScreen : public testing::Test {
protected:
    void SetUp() override {
        button_ = host_.AddChild("Button", Caption, BS_OWNERDRAW | WS_TABSTOP, IDOK, 10, 10, W, H);
        ASSERT_NE(nullptr, button_);
    }
    void Draw(UINT action, UINT state) {
        DRAWITEMSTRUCT drawItem = MakeDrawItem(ODT_BUTTON, button_, action, state);
        drawItem.CtlID = IDOK;
        DrawBitmapButton(AppInstance, host_.get(), &drawItem);
    }
    void ExpectShows(const char* caption, int state) {
        Canvas expected(W, H);
        ComposeBitmapButton(expected.dc(), W, H, AppInstance, caption, state);
        Canvas shown(W, H);
        CaptureControl(button_, shown);
        ASSERT_TRUE(SamePixels(expected, shown));
    }
    HostWindow host_;
    HWND button_ = nullptr;
};
} // namespace

TEST_F(ButtonOnScreen, DrawItemNotificationsRepaintTheButtonInTheirState) {
    PaintControl(button_, Blue);
    Draw(0, ODS_SELECTED);
    Canvas shown(W, H);
    CaptureControl(button_, shown);
    EXPECT_EQ(W * H, shown.Count(Blue, 0, 0, W, H)) << "no action, no drawing";

    Draw(ODA_SELECT, ODS_SELECTED);
    ExpectShows(Caption, ButtonPressed);
    Draw(ODA_SELECT, 0);
    ExpectShows(Caption, ButtonNormal);
    Draw(ODA_FOCUS, ODS_FOCUS);
    ExpectShows(Caption, ButtonFocused);
    Draw(ODA_DRAWENTIRE, ODS_DISABLED);
    ExpectShows(Caption, ButtonDisabled);
}

TEST_F(ButtonOnScreen, ACaptionChangeShowsAtTheNextDrawing) {
    SetWindowTextA(button_, "&Annulla/ICOB002");
    EXPECT_EQ(1, RenderBitmapButton(AppInstance, host_.get(), IDOK, ButtonNormal));
    ExpectShows("&Annulla/ICOB002", ButtonNormal);
}

TEST_F(ButtonOnScreen, AnOverlongCaptionIsCutAt79Characters) {
    // The icon name would start at character 80: it falls outside the caption buffer.
    const std::string caption = std::string(79, 'x') + "/ICOB011";
    SetWindowTextA(button_, caption.c_str());
    EXPECT_EQ(1, RenderBitmapButton(AppInstance, host_.get(), IDOK, ButtonNormal));
    ExpectShows(std::string(79, 'x').c_str(), ButtonNormal);

    const std::string fits = std::string(70, 'x') + "/ICOB011";
    SetWindowTextA(button_, fits.c_str());
    RenderBitmapButton(AppInstance, host_.get(), IDOK, ButtonNormal);
    ExpectShows(fits.c_str(), ButtonNormal);
}

TEST_F(ButtonOnScreen, AMissingButtonIsNotDrawn) {
    EXPECT_EQ(0, RenderBitmapButton(AppInstance, host_.get(), 4242, ButtonNormal));
}

TEST_F(ButtonOnScreen, ThousandDrawingsLeaveNoGdiObjectBehind) {
    RenderBitmapButton(AppInstance, host_.get(), IDOK, ButtonNormal);
    const int before = CountGdiObjects();
    for (int i = 0; i < 1000; ++i)
        RenderBitmapButton(AppInstance, host_.get(), IDOK, ButtonNormal + i % 4);
    EXPECT_EQ(before, CountGdiObjects());
}

TEST(BitmapButton, AnOverlongLabelDrawsAsItsFirst39Characters) {
    const std::string label(60, 'W');
    Canvas longer(W, H);
    Canvas cut(W, H);
    ComposeBitmapButton(longer.dc(), W, H, AppInstance, (label + "/ICOB011").c_str(), ButtonNormal);
    ComposeBitmapButton(cut.dc(), W, H, AppInstance, (label.substr(0, 39) + "/ICOB011").c_str(), ButtonNormal);
    ASSERT_TRUE(SamePixels(cut, longer));
}
