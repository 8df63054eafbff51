// Start-up as the system sees it: the splash, the start message and the way out.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/splash.h"
#include "harness.h"
#include "resources/resource_ids.h"
#include "support/program_texts.h"

namespace {

using namespace harness;

constexpr const char* SplashClass = SetupCaption; // the splash window's class is named after the caption

TEST(StartUp, HiddenSplashNeverOpensTheDialogAndClosingItEndsTheProcess) {
    Program program;
    ASSERT_TRUE(program.Start(LDSETUP_EXE, nullptr, SW_HIDE));
    HWND splash = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (splash = HiddenOrVisibleWindowOf(program.Id(), SplashClass)) != nullptr; }));
    // Not shown: no WM_SHOWWINDOW, so no start message and no dialog; the main loop runs on.
    EXPECT_EQ(nullptr, WaitForDialogWithControl(program.Id(), IDC_FOLDER, 1500));
    EXPECT_FALSE(IsWindowVisible(splash));
    EXPECT_TRUE(program.Running());

    PostMessageA(splash, WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(program.WaitForExit(DefaultTimeoutMs, &exitCode));
    EXPECT_EQ(0u, exitCode);
}

TEST(StartUp, OnlyTheStartCode1400OpensASetupDialog) {
    Program program;
    ASSERT_TRUE(program.Start(LDSETUP_EXE));
    HWND dialog = WaitForDialogWithControl(program.Id(), IDC_FOLDER);
    ASSERT_NE(nullptr, dialog);
    HWND splash = HiddenOrVisibleWindowOf(program.Id(), SplashClass);
    ASSERT_NE(nullptr, splash);

    auto dialogCount = [&] {
        return WindowsOf(program.Id(), "#32770", nullptr, [](HWND w) { return HasControl(w, IDC_FOLDER); }).size();
    };
    for (WPARAM code : {WPARAM{0}, WPARAM{1399}, WPARAM{1401}})
        PostMessageA(splash, WM_START_SETUP, code, 0);
    Sleep(1000);
    EXPECT_EQ(1u, dialogCount());

    // The same message with 1400 does open one: the check above could see it.
    PostMessageA(splash, WM_START_SETUP, START_SETUP_CODE, 0);
    EXPECT_TRUE(WaitUntil([&] { return dialogCount() == 2; }, 5000));
    program.Kill();
}

} // namespace
