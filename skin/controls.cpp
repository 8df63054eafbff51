// Small utilities for skinned dialog controls: replacing a control's procedure or style, aligning
// a brush to a window, the default colours of a control, and the "Static" class procedure that
// the replacement procedures fall back on.
#include "skin/controls.h"

#include "base/globals.h"
#include "base/message_params.h"

namespace {
constexpr COLORREF EnabledTextColour = RGB(0, 0, 0);
constexpr COLORREF DisabledTextColour = RGB(0x80, 0x80, 0x80);
constexpr COLORREF ControlBackColour = RGB(0xFF, 0xFF, 0xFF);
} // namespace

void SubclassDlgItem(HWND dialog, int controlId, WNDPROC procedure) {
    // The previous procedure is dropped: the replacements forward to the "Static" class procedure.
    SetWindowLongPtrA(GetDlgItem(dialog, controlId), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
}

void SetDlgItemStyle(HWND dialog, int controlId, DWORD style) {
    SetWindowLongPtrA(GetDlgItem(dialog, controlId), GWL_STYLE, static_cast<LONG_PTR>(style));
}

void AlignBrushOrigin(HWND window, HDC dc, HBRUSH brush) {
    UnrealizeObject(brush);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
}

HBRUSH DefaultCtlColor(HWND dialog, int controlId, HDC dc) {
    if (controlId == 0)
        return CarriedPointer<HBRUSH>(GetClassLongPtrA(dialog, GCLP_HBRBACKGROUND));
    HWND control = GetDlgItem(dialog, controlId);
    SetTextColor(dc, IsWindowEnabled(control) ? EnabledTextColour : DisabledTextColour);
    SetBkColor(dc, ControlBackColour);
    AlignBrushOrigin(control ? control : dialog, dc, WhiteBrush);
    return WhiteBrush;
}

LRESULT CallStaticClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDCLASSA staticClass = {};
    if (!GetClassInfoA(nullptr, "Static", &staticClass) || !staticClass.lpfnWndProc)
        return DefWindowProcA(window, message, wParam, lParam);
    return CallWindowProcA(staticClass.lpfnWndProc, window, message, wParam, lParam);
}
