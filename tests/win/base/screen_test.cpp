// Screen-size class and window placement.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/globals.h"
#include "base/screen.h"

TEST(ScreenClass, SmallerThan1024x768InEitherDirectionIs800) {
    EXPECT_EQ(800, ScreenClassForSize(800, 600));
    EXPECT_EQ(800, ScreenClassForSize(1024, 600));
    EXPECT_EQ(800, ScreenClassForSize(1023, 1024));
    EXPECT_EQ(1024, ScreenClassForSize(1024, 768));
    EXPECT_EQ(1024, ScreenClassForSize(1280, 1024));
}

TEST(ScreenClass, ReadsTheTestDisplay) {
    // The tests run on a 1024 x 768 Xvfb screen.
    EXPECT_EQ(1024, GetScreenClass());
}

TEST(CenterOnScreen, CentresAndGoesNegativeForAWindowWiderThanTheScreen) {
    HWND window = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    CenterOnScreen(window);
    RECT frame = {};
    GetWindowRect(window, &frame);
    EXPECT_EQ(1024 / 2 - 100, frame.left);
    EXPECT_EQ(768 / 2 - 50, frame.top);

    MoveWindow(window, 0, 0, 1500, 100, FALSE);
    CenterOnScreen(window);
    GetWindowRect(window, &frame);
    EXPECT_EQ(512 - 750, frame.left);
    EXPECT_EQ(1500, frame.right - frame.left);
    DestroyWindow(window);
}
