// The frame animation: the frames it shows, how a step reads and advances AnimationSpec, and how
// a missing or over-long value ends it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/globals.h"
#include "progress/animation.h"
#include "progress/wait.h"
#include "progress/wait_state.h"
#include "resources/resource_ids.h"
#include "win/progress/progress_support.h"

using namespace progress_test;

namespace {

// A bare animation control at the screen's top-left corner, as large as a frame.
class AnimationControl {
public:
    explicit AnimationControl(DWORD style = 0)
        : window_(CreateWindowExA(0, "Static", "", WS_POPUP | WS_VISIBLE | style, 0, 0, FrameSize, FrameSize, nullptr,
                                  nullptr, nullptr, nullptr)) {
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AnimationProc));
        SetWindowPos(window_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
        PumpFor(20);
    }
    ~AnimationControl() {
        DestroyWindow(window_);
        AnimationSpec.fill('\0');
    }
    AnimationControl(const AnimationControl&) = delete;
    AnimationControl& operator=(const AnimationControl&) = delete;

    HWND get() const { return window_; }
    // One step, as the timer would give it.
    LRESULT Step() const { return SendMessageA(window_, WM_TIMER, 1, 0); }
    void Repaint() const { RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

private:
    HWND window_;
};

bool TimerPendingWithin(HWND window, DWORD ms) {
    Sleep(ms);
    MSG message;
    return PeekMessageA(&message, window, WM_TIMER, WM_TIMER, PM_NOREMOVE) != FALSE;
}

std::string FramesAsText(const std::vector<int>& frames) {
    std::string text;
    for (int frame : frames)
        text += static_cast<char>('0' + frame);
    return text;
}

} // namespace

// Every frame, the never-shown eighth included, can be told from the others by its pixels.
TEST(AnimationFrames, AllEightFramesLookDifferent) {
    for (int a = 1; a <= 8; ++a) {
        for (int b = a + 1; b <= 8; ++b)
            EXPECT_NE(FramePixels(a, 120, 120), FramePixels(b, 120, 120)) << a << " " << b;
    }
}

TEST(DrawAnimationFrame, DrawsTheNamedFrameOverWhiteAndAnUnknownNameDrawsNothing) {
    AnimationControl control;
    DrawAnimationFrame(control.get(), "IMG3");
    EXPECT_EQ(3, FrameShown(control.get()));
    EXPECT_EQ(White, ScreenPixel(control.get(), 1, 1)) << "the frame's white is see-through to the white fill";
    DrawAnimationFrame(control.get(), "NOSUCHBITMAP");
    DrawAnimationFrame(control.get(), "");
    EXPECT_EQ(3, FrameShown(control.get()));
}

TEST(AnimationProc, TheWaitDialogsStringShowsFramesOneToSevenAndNeverEight) {
    BeginWait(nullptr, "Ludra Setup");
    SetWaitStatus("Connessione in corso");
    ASSERT_NE(nullptr, WaitDialog);
    HWND animation = GetDlgItem(WaitDialog, IDC_WAIT_ANIMATION);
    ASSERT_TRUE(PumpUntil(1000, [] { return AnimationTimer != 0; }));

    // Stepped by hand: each step draws the current entry's frame and moves on to its successor.
    SendMessageA(animation, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, AnimationTimer);
    AnimationSpec.fill('\0');
    PostMessageA(WaitDialog, WM_ANIM_RESET, 0, 0);
    PumpFor(20);
    SendMessageA(animation, WM_CLOSE, 0, 0);
    EXPECT_EQ("1", CurrentEntry());
    std::vector<int> stepped;
    std::string entries;
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(1, SendMessageA(animation, WM_TIMER, 1, 0));
        stepped.push_back(FrameShown(animation));
        entries += CurrentEntry();
    }
    EXPECT_EQ("1234567123456712", FramesAsText(stepped));
    EXPECT_EQ("2345671234567123", entries);
    EXPECT_EQ(1u, AnimationTimer);

    // Driven by its timer for a bounded time: note the entry each tick shows and the frame on screen.
    std::string tickedEntries;
    std::vector<int> ticked;
    PumpEachUntil(
        5000, [&] { return ticked.size() >= 20; },
        [&](MSG& message) {
            const bool tick = message.message == WM_TIMER && message.hwnd == animation;
            if (tick)
                tickedEntries += CurrentEntry();
            DispatchOne(message);
            if (tick)
                ticked.push_back(FrameShown(animation));
        });
    ASSERT_GE(ticked.size(), 14u) << FramesAsText(ticked);
    EXPECT_EQ(FramesAsText(ticked), tickedEntries);
    EXPECT_EQ(std::string::npos, tickedEntries.find('8'));
    for (size_t i = 1; i < ticked.size(); ++i) {
        EXPECT_EQ(ticked[i - 1] % 7 + 1, ticked[i]) << FramesAsText(ticked);
    }
    EndWait();
    EXPECT_EQ(0u, AnimationTimer) << "destroying the control stops its timer";
}

TEST(AnimationProc, PaintingShowsTheCurrentEntrysFrame) {
    AnimationControl control;
    SetAnimationSpec("@CEV(2)@IMG1(IMG1)@NEV1(2)@TIM1(100)@IMG2(IMG5)@NEV2(1)@TIM2(100)");
    control.Repaint();
    EXPECT_EQ(5, FrameShown(control.get()));

    SetAnimationSpec("@IMG1(IMG1)@NEV1(1)@TIM1(100)");
    control.Repaint();
    EXPECT_EQ(White, ScreenPixel(control.get(), 65, 65)) << "no current entry: nothing drawn";
}

TEST(AnimationProc, StartStopAndResumeKeepThePosition) {
    AnimationControl control;
    SetAnimationSpec("@CEV(1)@IMG1(IMG1)@NEV1(2)@TIM1(100)@IMG2(IMG2)@NEV2(1)@TIM2(100)");
    EXPECT_EQ(1, SendMessageA(control.get(), WM_ANIM_START, 0, reinterpret_cast<LPARAM>(AnimationSpec.data())));
    EXPECT_EQ(1u, AnimationTimer);
    EXPECT_TRUE(TimerPendingWithin(control.get(), 80)) << "the first step comes after 50 ms";
    EXPECT_EQ(1, control.Step());
    EXPECT_EQ("2", CurrentEntry());

    EXPECT_EQ(1, SendMessageA(control.get(), WM_CLOSE, 0, 0));
    EXPECT_EQ(0u, AnimationTimer);
    EXPECT_TRUE(IsWindow(control.get())) << "closing only stops the animation";
    EXPECT_EQ(1, SendMessageA(control.get(), WM_ACTIVATE, 0, 0));
    EXPECT_EQ(1u, AnimationTimer);
    EXPECT_EQ("2", CurrentEntry());
    EXPECT_EQ(1, control.Step());
    EXPECT_EQ(2, FrameShown(control.get()));
    EXPECT_EQ("1", CurrentEntry());
}

TEST(AnimationProc, AMissingOrOverlongValueEndsTheAnimation) {
    AnimationControl control;
    const char* const endings[] = {
        "@IMG1(IMG1)@NEV1(1)@TIM1(10)", // no current entry
        "@CEV(1)@NEV1(1)@TIM1(10)",     // no bitmap name
        "@CEV(1)@IMG1(IMG1)@TIM1(10)",  // no successor
        "@CEV(1)@IMG1(IMG1)@NEV1(1)",   // no delay
        "@CEV(123456789012)@IMG123456789012(IMG1)@NEV123456789012(1)@TIM123456789012(10)",
        "@CEV(1)@IMG1(IMG1xxxxxxxxxxxxxxxxxxxxxxxxxxxx)@NEV1(1)@TIM1(10)", // 32-character name
        "@CEV(1)@IMG1(IMG1)@NEV1(123456789012)@TIM1(10)",
        "@CEV(1)@IMG1(IMG1)@NEV1(1)@TIM1(123456789012)",
    };
    for (const char* animation : endings) {
        SetAnimationSpec(animation);
        const std::string before = AnimationSpec.data();
        SendMessageA(control.get(), WM_ANIM_START, 0, 0);
        ASSERT_EQ(1u, AnimationTimer);
        control.Step();
        EXPECT_EQ(0u, AnimationTimer) << animation;
        EXPECT_EQ(before, AnimationSpec.data()) << animation;
        EXPECT_FALSE(TimerPendingWithin(control.get(), 70)) << animation;
    }

    // The longest values that fit: an 11-character entry and a 31-character name (no such bitmap).
    SetAnimationSpec("@CEV(12345678901)@IMG12345678901(IMG1xxxxxxxxxxxxxxxxxxxxxxxxxxx)"
                     "@NEV12345678901(12345678901)@TIM12345678901(10)");
    control.Step();
    EXPECT_EQ(1u, AnimationTimer);
    EXPECT_EQ("12345678901", CurrentEntry());
    SendMessageA(control.get(), WM_CLOSE, 0, 0);

    // A successor that names no entry: its frame is drawn, then the next step ends there.
    SetAnimationSpec("@CEV(1)@IMG1(IMG6)@NEV1(9)@TIM1(10)");
    SendMessageA(control.get(), WM_ANIM_START, 0, 0);
    EXPECT_TRUE(PumpUntil(1000, [] { return AnimationTimer == 0; }));
    EXPECT_EQ("9", CurrentEntry());
    EXPECT_EQ(6, FrameShown(control.get()));
}

TEST(AnimationProc, TheDelayIsTheValuesLeadingDigits) {
    AnimationControl control;
    SetAnimationSpec("@CEV(1)@IMG1(IMG1)@NEV1(2)@TIM1(soon)@IMG2(IMG2)@NEV2(3)@TIM2(-5)"
                     "@IMG3(IMG3)@NEV3(4)@TIM3(1000)@IMG4(IMG4)@NEV4(1)@TIM4(2000ms)");
    control.Step();
    EXPECT_EQ(1u, AnimationTimer);
    EXPECT_TRUE(TimerPendingWithin(control.get(), 40)) << "not a number: delay 0";
    control.Step();
    EXPECT_TRUE(TimerPendingWithin(control.get(), 40)) << "a sign is not a digit: delay 0";
    control.Step();
    EXPECT_FALSE(TimerPendingWithin(control.get(), 100)) << "1000 ms";
    control.Step();
    EXPECT_FALSE(TimerPendingWithin(control.get(), 100)) << "2000ms reads as 2000";
    EXPECT_EQ("1", CurrentEntry());
    SendMessageA(control.get(), WM_CLOSE, 0, 0);
}

TEST(AnimationProc, NeverDrawsABorderAndErasesToWhite) {
    AnimationControl control(static_cast<DWORD>(WS_BORDER));
    HDC dc = GetWindowDC(control.get());
    RECT whole = {0, 0, 130, 130};
    HBRUSH red = CreateSolidBrush(RGB(0xFF, 0, 0));
    FillRect(dc, &whole, red);
    DeleteObject(red);
    ReleaseDC(control.get(), dc);
    SetAnimationSpec("");
    RedrawWindow(control.get(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(RGB(0xFF, 0, 0), ScreenPixel(control.get(), 0, 0)) << "the border is left as it was";
    EXPECT_EQ(White, ScreenPixel(control.get(), 65, 65));
}
