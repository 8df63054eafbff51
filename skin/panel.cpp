// The rounded panel: a Static control that paints two nested rounded rectangles, the outer one
// in the colours its parent chooses, the inner one white.
#include "skin/panel.h"

#include "skin/controls.h"

#include "base/globals.h"
#include "base/gdi_handles.h"
#include "base/message_params.h"

namespace {
constexpr int CornerWidth = 10;
constexpr int CornerHeight = 20;
constexpr int InnerInset = 8;
constexpr COLORREF InnerColour = RGB(255, 255, 255);

LRESULT OnPanelPaint(HWND panel) {
    PaintDc paint(panel);
    RECT client = {};
    GetClientRect(panel, &client);
    DrawRoundedPanel(panel, paint.get(), client.right, client.bottom);
    return 0;
}
} // namespace

void DrawRoundedPanel(HWND panel, HDC dc, int width, int height) {
    // The parent sets the DC's colours and lends its brush; the brush is not ours to delete.
    const auto brush = CarriedPointer<HBRUSH>(SendMessageA(
        GetParent(panel), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(panel)));
    {
        SelectGuard selectBrush(dc, brush);
        PenHandle pen(CreatePen(PS_SOLID, 1, GetTextColor(dc)));
        SelectGuard selectPen(dc, pen.get());
        RoundRect(dc, 0, 0, width, height, CornerWidth, CornerHeight);
    }
    {
        SelectGuard selectBrush(dc, WhiteBrush);
        PenHandle pen(CreatePen(PS_SOLID, 1, InnerColour));
        SelectGuard selectPen(dc, pen.get());
        RoundRect(dc, InnerInset, InnerInset, width - InnerInset, height - InnerInset, CornerWidth, CornerHeight);
    }
}

LRESULT CALLBACK RoundedPanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: return OnPanelPaint(window);
    }
    return CallStaticClassProc(window, message, wParam, lParam);
}
