// Centring windows on the display, the dialog frame icon and the screen-size class.
#include "base/screen.h"

#include "base/globals.h"
#include "base/gdi_handles.h"

void CenterOnScreen(HWND window) {
    int screenWidth = 0;
    int screenHeight = 0;
    if (DisplayDc display; display) {
        screenWidth = GetDeviceCaps(display.get(), HORZRES);
        screenHeight = GetDeviceCaps(display.get(), VERTRES);
    }
    RECT frame = {};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    MoveWindow(window, screenWidth / 2 - width / 2, screenHeight / 2 - height / 2, width, height, FALSE);
}

void PrepareDialogFrame(HWND dialog) {
    // Set on the class: every standard dialog of the process shows the icon from now on.
    SetClassLongPtrA(dialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(LoadIconA(AppInstance, "ldsetup")));
    CenterOnScreen(dialog);
}

int ScreenClassForSize(int width, int height) {
    if (width < 1024)
        return ScreenClassLow;
    if (height < 768)
        return ScreenClassLow;
    return ScreenClassHigh;
}

int GetScreenClass() {
    WindowDc desktop(GetDesktopWindow());
    const int width = GetDeviceCaps(desktop.get(), HORZRES);
    const int height = GetDeviceCaps(desktop.get(), VERTRES);
    return ScreenClassForSize(width, height);
}
