// Shared by the wait and animation tests: the animation's string and reading the frame a window
// shows, with the shared pump and message-box answerer.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "base/globals.h"
#include "progress/tag_string.h"
#include "progress/wait.h"
#include "progress/wait_state.h"
#include "support/box_answerer.h"
#include "support/dib_canvas.h"
#include "support/message_pump.h"

namespace progress_test {

constexpr int FrameCount = 8;
constexpr int FrameSize = 130;

inline std::string CurrentEntry() {
    char entry[16] = "";
    if (!GetTagValue(AnimationSpec.data(), "@CEV", entry, sizeof entry))
        return "<none>";
    return entry;
}

inline void SetAnimationSpec(const char* source) {
    AnimationSpec.fill('\0');
    std::string text(source);
    if (text.size() >= AnimationSpec.size())
        text.resize(AnimationSpec.size() - 1);
    text.copy(AnimationSpec.data(), text.size());
    PrepareTagString(AnimationSpec.data());
}

inline COLORREF ScreenPixel(HWND window, int x, int y) {
    HDC dc = GetWindowDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

// The top-left width x height pixels of `source` (0x00RRGGBB), read through a 32-bit DIB section.
inline std::vector<uint32_t> ReadPixels(HDC source, int width, int height) {
    DibCanvas canvas(width, height, Black);
    canvas.CopyFrom(source);
    return canvas.Bits();
}

// The top-left width x height pixels of frame bitmap IMG<frame> (0x00RRGGBB); black beyond its edges.
inline std::vector<uint32_t> FramePixels(int frame, int width, int height) {
    char name[8];
    snprintf(name, sizeof name, "IMG%d", frame);
    const Pixels bitmap = ReadResourceBitmap(name);
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.push_back(x < bitmap.width && y < bitmap.height ? ToDib(bitmap.At(x, y)) : 0);
    return pixels;
}

// Which frame (1..8) a window shows in its top-left corner, as far as the window reaches; 0 for none.
inline int FrameShown(HWND window) {
    RECT bounds = {};
    GetWindowRect(window, &bounds);
    const int width = std::min<int>(FrameSize, bounds.right - bounds.left);
    const int height = std::min<int>(FrameSize, bounds.bottom - bounds.top);
    HDC dc = GetWindowDC(window);
    const std::vector<uint32_t> shown = ReadPixels(dc, width, height);
    ReleaseDC(window, dc);
    for (int frame = 1; frame <= FrameCount; ++frame) {
        if (FramePixels(frame, width, height) == shown)
            return frame;
    }
    return 0;
}

} // namespace progress_test
