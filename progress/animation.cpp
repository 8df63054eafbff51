// The frame-animation control: a Static whose procedure shows the frames that AnimationSpec names,
// one per timer tick, keeping its position in the @CEV tag of that same string.
#include "progress/animation.h"

#include <cstdio>

#include "base/globals.h"
#include "base/gdi_handles.h"
#include "progress/tag_string.h"
#include "progress/wait.h"
#include "progress/wait_state.h"
#include "skin/bitmap.h"
#include "skin/controls.h"

UINT_PTR AnimationTimer = 0;

namespace {
constexpr UINT_PTR AnimationTimerId = 1;
constexpr UINT StartDelay = 50;
constexpr COLORREF FrameKey = RGB(0xFF, 0xFF, 0xFF);
// Values held from the string, terminators included; a longer value counts as missing.
constexpr size_t EntrySize = 12;
constexpr size_t FrameNameSize = 32;
constexpr size_t EntryTagSize = 4 + EntrySize + 1; // "@IMG" + entry

void StopAnimationTimer(HWND window) {
    if (AnimationTimer != 0) {
        KillTimer(window, AnimationTimer);
        AnimationTimer = 0;
    }
}

void StartAnimationTimer(HWND window, UINT delay) {
    AnimationTimer = SetTimer(window, AnimationTimerId, delay, nullptr) ? AnimationTimerId : 0;
}

// Leading decimal digits, 0 when there are none; saturates instead of wrapping.
UINT ParseDelay(const char* text) {
    UINT delay = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        const UINT digit = static_cast<UINT>(*text - '0');
        if (delay > (USER_TIMER_MAXIMUM - digit) / 10)
            return USER_TIMER_MAXIMUM;
        delay = delay * 10 + digit;
    }
    return delay;
}

// The value of the tag `prefix` followed by the entry name (an entry's @IMG, @NEV or @TIM).
int ReadEntryValue(const char* prefix, const char* entry, char* out, size_t outSize) {
    char tag[EntryTagSize];
    snprintf(tag, sizeof tag, "%s%s", prefix, entry);
    return GetTagValue(AnimationSpec.data(), tag, out, outSize);
}

// The bitmap name of the current entry into `name`; 0 when the entry or its name is missing.
int ReadCurrentFrame(char* name, size_t nameSize) {
    char current[EntrySize];
    return GetTagValue(AnimationSpec.data(), "@CEV", current, sizeof current) &&
           ReadEntryValue("@IMG", current, name, nameSize);
}

LRESULT OnAnimationStep(HWND window, WPARAM wParam, LPARAM lParam) {
    StopAnimationTimer(window);
    char current[EntrySize];
    char name[FrameNameSize];
    char next[EntrySize];
    char delay[EntrySize];
    if (!GetTagValue(AnimationSpec.data(), "@CEV", current, sizeof current) ||
        !ReadEntryValue("@IMG", current, name, sizeof name) || !ReadEntryValue("@NEV", current, next, sizeof next) ||
        !ReadEntryValue("@TIM", current, delay, sizeof delay))
        return CallStaticClassProc(window, WM_TIMER, wParam, lParam);
    DrawAnimationFrame(window, name);
    SetTagValue(AnimationSpec.data(), AnimationSpec.size(), "@CEV", next);
    StartAnimationTimer(window, ParseDelay(delay));
    return 1;
}

LRESULT OnAnimationPaint(HWND window) {
    PaintDc paint(window);
    char name[FrameNameSize];
    if (ReadCurrentFrame(name, sizeof name))
        DrawAnimationFrame(window, name);
    return 1;
}

LRESULT OnAnimationEraseBackground(HWND window) {
    WindowDc dc(window);
    RECT client = {};
    GetClientRect(window, &client);
    FillRect(dc.get(), &client, WhiteBrush);
    return 1;
}

} // namespace

void DrawAnimationFrame(HWND window, const char* bitmapName) {
    BitmapHandle frame(LoadBitmapByName(AppInstance, bitmapName));
    if (!frame)
        return;
    const SIZE frameSize = GetBitmapSize(frame.get());
    WindowDc windowDc(window, WindowDc::Whole);
    if (!windowDc)
        return;
    RECT bounds = {};
    GetWindowRect(window, &bounds);
    BitmapHandle buffer(CreateCompatibleBitmap(windowDc.get(), bounds.right - bounds.left, bounds.bottom - bounds.top));
    MemoryDc memory(windowDc.get());
    if (!buffer || !memory)
        return;
    SelectGuard select(memory.get(), buffer.get());
    RECT client = {};
    GetClientRect(window, &client);
    FillRect(memory.get(), &client, WhiteBrush);
    SetTextColor(memory.get(), RGB(0, 0, 0));
    SetBkColor(memory.get(), RGB(0xFF, 0xFF, 0xFF));
    DrawTransparentBitmap(memory.get(), frame.get(), 0, 0, FrameKey);
    BitBlt(windowDc.get(), 0, 0, frameSize.cx, frameSize.cy, memory.get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK AnimationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ANIM_START:
    case WM_ACTIVATE: StartAnimationTimer(window, StartDelay); return 1;
    case WM_TIMER: return OnAnimationStep(window, wParam, lParam);
    case WM_PAINT: return OnAnimationPaint(window);
    case WM_ERASEBKGND: return OnAnimationEraseBackground(window);
    case WM_CLOSE: StopAnimationTimer(window); return 1;
    case WM_NCPAINT: return 1;
    case WM_DESTROY: StopAnimationTimer(window); return CallStaticClassProc(window, message, wParam, lParam);
    }
    return CallStaticClassProc(window, message, wParam, lParam);
}
