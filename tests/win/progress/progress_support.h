// Shared by the wait and animation tests: bounded pumping, reading the frame a window shows, and a
// helper thread that answers the Cancel confirmation as the user would.
#pragma once

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "dib_canvas.h"
#include "base/globals.h"
#include "progress/tag_string.h"
#include "progress/wait.h"
#include "progress/wait_state.h"

namespace progress_test {

constexpr int FrameCount = 8;
constexpr int FrameSize = 130;

// Dispatches the thread's messages for `ms` milliseconds, or until `done` holds.
template <typename Done> bool PumpUntil(DWORD ms, Done done) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (WaitDialog && IsDialogMessageA(WaitDialog, &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done())
            return true;
        Sleep(5);
    }
    return done();
}

inline void PumpFor(DWORD ms) {
    PumpUntil(ms, [] { return false; });
}

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
    BITMAPINFO info = TopDown32(width, height);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(source);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                                 static_cast<const uint32_t*>(bits) + static_cast<size_t>(width) * height);
    for (uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(section);
    return pixels;
}

inline std::vector<uint32_t> FramePixels(int frame, int width, int height) {
    char name[8];
    snprintf(name, sizeof name, "IMG%d", frame);
    HBITMAP bitmap = LoadBitmapA(AppInstance, name);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    std::vector<uint32_t> pixels = ReadPixels(memory, width, height);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
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

// Watches for a message box owned by `owner` and presses `answer` in it once it has been up for
// `holdMs`. Gives up after `timeoutMs`; the destructor stops and joins the thread.
class BoxAnswerer {
public:
    BoxAnswerer(HWND owner, int answer, DWORD holdMs = 0, DWORD timeoutMs = 5000)
        : owner_(owner), answer_(answer), holdMs_(holdMs), timeoutMs_(timeoutMs), stop_(false), seen_(false),
          thread_([this] { Run(); }) {}
    ~BoxAnswerer() {
        stop_ = true;
        thread_.join();
    }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    bool Seen() const { return seen_; }
    // Valid once Seen() is true.
    const std::string& Text() const { return text_; }
    const std::string& Caption() const { return caption_; }

private:
    HWND FindBox() const {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "#32770", nullptr)) != nullptr) {
            if (GetWindow(window, GW_OWNER) == owner_ && IsWindowVisible(window))
                return window;
        }
        return nullptr;
    }

    void Run() {
        const DWORD start = GetTickCount();
        while (!stop_ && GetTickCount() - start < timeoutMs_) {
            if (HWND box = FindBox()) {
                Sleep(holdMs_);
                char text[256] = "";
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                text_ = text;
                GetWindowTextA(box, text, sizeof text);
                caption_ = text;
                seen_ = true;
                PostMessageA(box, WM_COMMAND, answer_, 0);
                return;
            }
            Sleep(10);
        }
    }

    HWND owner_;
    int answer_;
    DWORD holdMs_;
    DWORD timeoutMs_;
    std::atomic<bool> stop_;
    std::atomic<bool> seen_;
    std::string text_;
    std::string caption_;
    std::thread thread_;
};

} // namespace progress_test
