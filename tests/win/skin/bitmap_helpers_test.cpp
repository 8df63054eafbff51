// Bitmap helpers: plain and stretched copies, key-colour transparency, window fit, font lookup.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "base/gdi_handles.h"
#include "skin/bitmap.h"
#include "skin_test_support.h"

using namespace skintest;

namespace {
constexpr COLORREF Green = RGB(0, 160, 0);
constexpr COLORREF NearKey = RGB(2, 2, 2);

// 3 x 2: key, pure black, red / white, near-key, blue.
const std::vector<COLORREF> IconPixels = {Key, Black, Red, White, NearKey, Blue};
} // namespace

TEST(BitmapHelpers, DrawBitmapCopiesEveryPixelAtThePosition) {
    BitmapHandle bitmap(MakeBitmap(3, 2, IconPixels));
    Canvas canvas(10, 10, Green);
    DrawBitmap(canvas.dc(), bitmap.get(), 4, 5);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(IconPixels[y * 3 + x], canvas.At(4 + x, 5 + y)) << x << "," << y;
    EXPECT_EQ(Green, canvas.At(3, 5));
    EXPECT_EQ(Green, canvas.At(7, 5));
    EXPECT_EQ(Green, canvas.At(4, 4));
    EXPECT_EQ(Green, canvas.At(4, 7));
}

TEST(BitmapHelpers, StretchAtOwnSizeEqualsPlainDrawAndDoublesWhenAskedTo) {
    BitmapHandle bitmap(MakeBitmap(3, 2, IconPixels));
    Canvas plain(8, 8, Green);
    Canvas stretched(8, 8, Green);
    DrawBitmap(plain.dc(), bitmap.get(), 1, 2);
    StretchBitmap(stretched.dc(), bitmap.get(), 1, 2, 3, 2);
    ASSERT_TRUE(SamePixels(plain, stretched));

    Canvas doubled(6, 4, Green);
    StretchBitmap(doubled.dc(), bitmap.get(), 0, 0, 6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(IconPixels[(y / 2) * 3 + x / 2], doubled.At(x, y)) << x << "," << y;
}

TEST(BitmapHelpers, NullBitmapDrawsNothing) {
    Canvas canvas(4, 4, Green);
    DrawBitmap(canvas.dc(), nullptr, 0, 0);
    StretchBitmap(canvas.dc(), nullptr, 0, 0, 4, 4);
    DrawTransparentBitmap(canvas.dc(), nullptr, 0, 0, Key);
    EXPECT_EQ(16, canvas.Count(Green, 0, 0, 4, 4));
}

TEST(BitmapHelpers, TransparentDrawShowsTheGroundOnlyThroughTheExactKey) {
    BitmapHandle bitmap(MakeBitmap(3, 2, IconPixels));
    Canvas canvas(5, 4, Green);
    DrawTransparentBitmap(canvas.dc(), bitmap.get(), 1, 1, Key);
    EXPECT_EQ(Green, canvas.At(1, 1)); // the key
    EXPECT_EQ(Black, canvas.At(2, 1)); // pure black stays opaque
    EXPECT_EQ(Red, canvas.At(3, 1));
    EXPECT_EQ(White, canvas.At(1, 2));
    EXPECT_EQ(NearKey, canvas.At(2, 2)); // one step off the key is opaque
    EXPECT_EQ(Blue, canvas.At(3, 2));
    EXPECT_EQ(Green, canvas.At(0, 0));
    EXPECT_EQ(Green, canvas.At(4, 3));
}

TEST(BitmapHelpers, TransparentDrawWithWhiteKeyLetsWhiteThrough) {
    BitmapHandle bitmap(MakeBitmap(3, 2, IconPixels));
    Canvas canvas(3, 2, Green);
    DrawTransparentBitmap(canvas.dc(), bitmap.get(), 0, 0, White);
    EXPECT_EQ(Green, canvas.At(0, 1));
    EXPECT_EQ(Key, canvas.At(0, 0));
    EXPECT_EQ(Black, canvas.At(1, 0));
}

TEST(BitmapHelpers, TransparentDrawBlackensTheSourceSoASecondDrawIsOpaque) {
    BitmapHandle bitmap(MakeBitmap(3, 2, IconPixels));
    Canvas first(3, 2, Green);
    DrawTransparentBitmap(first.dc(), bitmap.get(), 0, 0, Key);

    const Pixels after = ReadBitmap(bitmap.get());
    EXPECT_EQ(Black, after.At(0, 0));
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(IconPixels[i], after.colours[i]) << i;

    Canvas second(3, 2, Green);
    DrawTransparentBitmap(second.dc(), bitmap.get(), 0, 0, Key);
    EXPECT_EQ(Black, second.At(0, 0));
}

TEST(BitmapHelpers, MaskIsSetExactlyWhereTheKeyWas) {
    BitmapHandle bitmap(MakeBitmap(3, 2, IconPixels));
    BitmapHandle mask(MakeTransparencyMask(bitmap.get(), Key));
    ASSERT_TRUE(mask);
    BITMAP record = {};
    GetObjectA(mask.get(), sizeof record, &record);
    EXPECT_EQ(1, record.bmBitsPixel);
    EXPECT_EQ(1, record.bmPlanes);
    EXPECT_EQ(3, record.bmWidth);
    EXPECT_EQ(2, record.bmHeight);
    const Pixels bits = ReadBitmap(mask.get());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(i == 0 ? White : Black, bits.colours[i]) << i;
}

TEST(BitmapHelpers, FitWindowToBitmapGivesAPopUpExactlyTheBitmapsSize) {
    HDC screen = GetDC(nullptr);
    BitmapHandle bitmap(CreateCompatibleBitmap(screen, 641, 352));
    ReleaseDC(nullptr, screen);
    HWND popup = CreateWindowExA(0, "Static", "", WS_POPUP, 30, 40, 10, 10, nullptr, nullptr, AppInstance, nullptr);
    ASSERT_NE(nullptr, popup);
    FitWindowToBitmap(popup, bitmap.get());
    RECT frame = {};
    RECT client = {};
    GetWindowRect(popup, &frame);
    GetClientRect(popup, &client);
    DestroyWindow(popup);
    EXPECT_EQ(30, frame.left);
    EXPECT_EQ(40, frame.top);
    EXPECT_EQ(641, client.right);
    EXPECT_EQ(352, client.bottom);
}

TEST(BitmapHelpers, FitWindowToBitmapKeepsAChildWhereItIsInItsParent) {
    HostWindow host;
    SetWindowPos(host.get(), nullptr, 50, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    HWND child = host.AddChild("Static", "", 0, 7, 12, 14, 5, 5);
    BitmapHandle bitmap(MakeBitmap(3, 2, IconPixels));
    FitWindowToBitmap(child, bitmap.get());
    RECT frame = {};
    GetWindowRect(child, &frame);
    MapWindowPoints(nullptr, host.get(), reinterpret_cast<POINT*>(&frame), 2);
    EXPECT_EQ(12, frame.left);
    EXPECT_EQ(14, frame.top);
    EXPECT_EQ(3, frame.right - frame.left);
    EXPECT_EQ(2, frame.bottom - frame.top);
}

TEST(BitmapHelpers, CopyFirstFontTakesTheFirstFontOfTheFace) {
    Canvas canvas(1, 1);
    LOGFONTA font = {};
    EnumFontsA(canvas.dc(), "MS Sans Serif", CopyFirstFont, reinterpret_cast<LPARAM>(&font));
    EXPECT_STREQ("MS Sans Serif", font.lfFaceName);

    LOGFONTA untouched = {};
    untouched.lfHeight = 99;
    EnumFontsA(canvas.dc(), "No Such Face Here", CopyFirstFont, reinterpret_cast<LPARAM>(&untouched));
    EXPECT_EQ(99, untouched.lfHeight);
    EXPECT_EQ('\0', untouched.lfFaceName[0]);
}

TEST(BitmapHelpers, ThousandDrawsLeaveNoGdiObjectBehind) {
    Canvas canvas(8, 8, Green);
    BitmapHandle bitmap(MakeBitmap(3, 2, IconPixels));
    const int before = CountGdiObjects();
    for (int i = 0; i < 1000; ++i) {
        DrawBitmap(canvas.dc(), bitmap.get(), 0, 0);
        StretchBitmap(canvas.dc(), bitmap.get(), 0, 0, 8, 8);
        DrawTransparentBitmap(canvas.dc(), bitmap.get(), 1, 1, Key);
    }
    EXPECT_EQ(before, CountGdiObjects());
}
