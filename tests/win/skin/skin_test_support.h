// Pixel canvases, a host window and a GDI object counter for the skin tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "base/globals.h"
#include "skin/bitmap_button.h"
#include "support/dib_canvas.h"
#include "support/dib_canvas.h"
#include "support/message_pump.h"

namespace skintest {

constexpr COLORREF Yellow = RGB(255, 255, 0);
constexpr COLORREF LightGrey = RGB(192, 192, 192);
constexpr COLORREF DarkGrey = RGB(128, 128, 128);
constexpr COLORREF Key = RGB(1, 1, 1);
constexpr COLORREF Magenta = RGB(255, 0, 255);

// The skin tests' canvas starts magenta, a colour none of the controls paints.
class Canvas : public DibCanvas {
public:
    Canvas(int width, int height, COLORREF fill = Magenta) : DibCanvas(width, height, fill) {}
};

// The GDI objects (DCs included) the process holds. Wine does not implement GetGuiResources, so
// there the live entries of the process's handle table are counted by probing their indices.
inline int CountGdiObjects() {
    if (DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS))
        return static_cast<int>(reported);
    int count = 0;
    for (UINT_PTR index = 1; index < 0x10000; ++index)
        count += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) ? 1 : 0;
    return count;
}

// What the host window answers to WM_CTLCOLORSTATIC.
struct HostColours {
    COLORREF text = Black;
    COLORREF background = White;
    HBRUSH brush = nullptr;
};
inline HostColours& CurrentHostColours() {
    static HostColours colours;
    return colours;
}

inline LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CTLCOLORSTATIC: {
        const HostColours& colours = CurrentHostColours();
        SetTextColor(reinterpret_cast<HDC>(wParam), colours.text);
        SetBkColor(reinterpret_cast<HDC>(wParam), colours.background);
        return reinterpret_cast<LRESULT>(colours.brush);
    }
    case WM_DRAWITEM: {
        const auto* drawItem = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (drawItem->CtlType == ODT_BUTTON) {
            DrawBitmapButton(AppInstance, window, drawItem);
            return TRUE;
        }
        return FALSE;
    }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A visible pop-up parent for the controls under test, destroyed with its children.
class HostWindow {
public:
    HostWindow(int width = 420, int height = 260) {
        static const ATOM atom = [] {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = HostProc;
            windowClass.hInstance = AppInstance;
            windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
            windowClass.lpszClassName = "SkinTestHost";
            return RegisterClassA(&windowClass);
        }();
        window_ = CreateWindowExA(0, MAKEINTATOM(atom), "", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                                  nullptr, AppInstance, nullptr);
        PumpPending();
    }
    ~HostWindow() {
        DestroyWindow(window_);
        PumpPending();
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND get() const { return window_; }
    HWND AddChild(const char* className, const char* text, DWORD style, int id, int x, int y, int width,
                  int height) const {
        HWND child = CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, window_,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), AppInstance, nullptr);
        PumpPending();
        return child;
    }

private:
    HWND window_ = nullptr;
};

inline void Subclass(HWND control, WNDPROC procedure) {
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
}

// Paints the control's client area with one colour straight through its window DC.
inline void PaintControl(HWND control, COLORREF colour) {
    RECT client = {};
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    ReleaseDC(control, dc);
}

// What the control shows on the screen, copied into `canvas` (of the control's client size).
inline void CaptureControl(HWND control, Canvas& canvas) {
    HDC dc = GetDC(control);
    canvas.CopyFrom(dc);
    ReleaseDC(control, dc);
}

} // namespace skintest
