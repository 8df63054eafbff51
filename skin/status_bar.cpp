// The percentage status bar: a Static control that paints a yellow strip with a patterned,
// rounded bar up to the last percentage received and a bold red "N%" label at its left.
#include "skin/skin_state.h"

#include <cstdio>

#include "base/globals.h"
#include "base/gdi_handles.h"
#include "base/message_params.h"
#include "base/strings.h"
#include "skin/bitmap.h"
#include "skin/controls.h"
#include "skin/skin_text.h"

int StatusPercent = 0;
char StatusText[StatusTextSize] = {};
LOGFONTA StatusFont = {};

namespace {
constexpr COLORREF LabelColour = RGB(255, 0, 0);
constexpr COLORREF GroundColour = RGB(255, 255, 0);
constexpr COLORREF TopEdgeColour = RGB(0, 0, 0);
constexpr COLORREF LeftEdgeColour = RGB(192, 192, 192);
constexpr COLORREF BarOutlineColour = RGB(255, 255, 255);
constexpr char PatternName[] = "BRUSHSTATUS";
constexpr char LabelFace[] = "MS Sans Serif";
constexpr LONG LabelHeight = 14;
constexpr LONG LabelWeight = FW_BOLD;
constexpr int LabelLeft = 2;
constexpr int BarLeft = 32;
constexpr int BarTop = 2;
constexpr int BarInset = 2;
constexpr int EndMargin = 30; // the label's zone at the left, the unpainted strip at the right
constexpr int CornerWidth = 10;
constexpr int CornerHeight = 20;

void FillGround(HDC buffer, const RECT& client) {
    SetTextColor(buffer, LabelColour);
    SetBkColor(buffer, GroundColour);
    BrushHandle ground(CreateSolidBrush(GetBkColor(buffer)));
    if (ground)
        FillRect(buffer, &client, ground.get());
}

// Only the top and left edges fall inside the control; the other two segments lie just outside.
void DrawFrame(HDC buffer, int width, int height) {
    {
        PenHandle pen(CreatePen(PS_SOLID, 1, TopEdgeColour));
        SelectGuard select(buffer, pen.get());
        MoveToEx(buffer, 0, 0, nullptr);
        LineTo(buffer, width, 0);
        LineTo(buffer, width, height);
    }
    PenHandle pen(CreatePen(PS_SOLID, 1, LeftEdgeColour));
    SelectGuard select(buffer, pen.get());
    MoveToEx(buffer, 0, 0, nullptr);
    LineTo(buffer, 0, height);
    LineTo(buffer, width, height);
}

double BarEnd(int width, int percent) {
    if (percent <= 0)
        return BarLeft;
    if (percent >= 100)
        return width - EndMargin;
    return (width - 2 * EndMargin) * percent * 0.01 + EndMargin;
}

void DrawBar(HDC buffer, int width, int height) {
    const int right = static_cast<int>(BarEnd(width, StatusPercent)) - BarInset;
    BitmapHandle pattern(LoadBitmapByName(AppInstance, PatternName));
    BrushHandle brush(pattern ? CreatePatternBrush(pattern.get()) : nullptr);
    if (brush)
        UnrealizeObject(brush.get());
    PenHandle pen(CreatePen(PS_SOLID, 1, BarOutlineColour));
    SelectGuard selectPen(buffer, pen.get());
    SelectGuard selectBrush(buffer, brush.get());
    RoundRect(buffer, BarLeft, BarTop, right, height - BarInset, CornerWidth, CornerHeight);
}

void DrawLabel(HDC buffer, const RECT& client) {
    EnumFontsA(buffer, LabelFace, CopyFirstFont, reinterpret_cast<LPARAM>(&StatusFont));
    StatusFont.lfHeight = LabelHeight;
    StatusFont.lfWidth = 0;
    StatusFont.lfWeight = LabelWeight;
    FontHandle font(CreateFontIndirectA(&StatusFont));
    SelectGuard selectFont(buffer, font.get());
    snprintf(StatusText, sizeof StatusText, "%d%%", StatusPercent);
    RECT area = client;
    area.left = LabelLeft;
    SetBkMode(buffer, TRANSPARENT);
    DrawTextA(buffer, StatusText, -1, &area, DT_SINGLELINE | DT_VCENTER);
}

LRESULT OnStatusPaint(HWND bar) {
    PaintDc paint(bar);
    RECT client = {};
    GetClientRect(bar, &client);
    const int width = client.right;
    const int height = client.bottom;
    BitmapHandle bufferBitmap(CreateCompatibleBitmap(paint.get(), width, height));
    MemoryDc buffer(paint.get());
    if (!bufferBitmap || !buffer)
        return 0;
    SelectGuard selectBuffer(buffer.get(), bufferBitmap.get());
    ComposeStatusBar(buffer.get(), width, height);
    // The rightmost 30 columns are left to whatever lies beneath the control.
    if (width > EndMargin)
        BitBlt(paint.get(), 0, 0, width - EndMargin, height, buffer.get(), 0, 0, SRCCOPY);
    return 0;
}

LRESULT OnStatusSetPercent(HWND bar, const char* text) {
    const int shown = StatusPercent;
    CopyBounded(StatusText, text ? text : "");
    StatusPercent = ParsePercentText(text);
    // The download sends its percentage for every 4,096-byte block and the value changes about
    // once in a hundred blocks: an unchanged value on a bar with nothing left to paint would
    // only paint the same pixels again, which costs more than the block itself.
    if (StatusPercent == shown && !GetUpdateRect(bar, nullptr, FALSE))
        return 0;
    // No erase: the paint covers the bar itself, so updates during a download do not flicker.
    InvalidateRect(bar, nullptr, FALSE);
    UpdateWindow(bar);
    return 0;
}
} // namespace

void ComposeStatusBar(HDC buffer, int width, int height) {
    const RECT client = {0, 0, width, height};
    FillGround(buffer, client);
    DrawFrame(buffer, width, height);
    DrawBar(buffer, width, height);
    DrawLabel(buffer, client);
}

LRESULT CALLBACK StatusBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: return OnStatusPaint(window);
    case SetPercentMessage: return OnStatusSetPercent(window, CarriedPointer<const char*>(lParam));
    }
    return CallStaticClassProc(window, message, wParam, lParam);
}
