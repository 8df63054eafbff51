// The GUI entry point: shared handles, splash window, brushes and the main message loop.
#include <windows.h>

#include "app/splash.h"
#include "base/globals.h"
#include "base/strings.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int showCommand) {
    AppInstance = instance;
    CopyBounded(AppCaption.data(), AppCaption.size(), "Ludra Setup");

    if (!previous && !RegisterSplashClass(instance))
        return 0;

    // A pop-up at (0, 0) with no size yet: WM_CREATE fits it to the splash bitmap.
    SplashWindow = CreateWindowExA(0, AppCaption.data(), "Ludra Setup", WS_POPUP, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                   nullptr, nullptr, instance, nullptr);
    if (!SplashWindow)
        return 0;

    CreateSolidBrushes();
    ShowWindow(SplashWindow, showCommand);
    UpdateWindow(SplashWindow);

    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    DeleteSolidBrushes();
    return static_cast<int>(message.wParam);
}
