// TEMPORARY placeholder until the panel lands.
#include "skin/panel.h"
LRESULT CallStaticClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDCLASSA staticClass = {};
    GetClassInfoA(nullptr, "Static", &staticClass);
    return CallWindowProcA(staticClass.lpfnWndProc, window, message, wParam, lParam);
}
LRESULT CALLBACK RoundedPanelProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return CallStaticClassProc(w, m, wp, lp); }
