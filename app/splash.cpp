// The splash window: exactly the size of its bitmap, top-left on the screen; once shown it
// opens the modal setup dialog.
#include "app/splash.h"

#include "app/install_sequence.h"
#include "app/setup_dialog.h"
#include "app/start_command.h"
#include "base/globals.h"
#include "base/gdi_handles.h"
#include "progress/wait.h"
#include "resources/resource_ids.h"
#include "skin/bitmap.h"

namespace {
constexpr const char* SplashBitmapName = "LDSETUP";

LRESULT OnSplashCreate(HWND window) {
    BitmapHandle bitmap(LoadBitmapA(AppInstance, SplashBitmapName));
    FitWindowToBitmap(window, bitmap.get());
    return 0;
}

LRESULT OnSplashPaint(HWND window) {
    PaintDc paint(window);
    // Loaded for every paint and freed after it, like every bitmap of the program.
    BitmapHandle bitmap(LoadBitmapA(AppInstance, SplashBitmapName));
    DrawBitmap(paint.get(), bitmap.get(), 0, 0);
    return 0;
}

LRESULT OnSplashShow(HWND window, BOOL shown) {
    // Posted, so the dialog opens only after the splash has been painted.
    if (shown)
        PostMessageA(window, WM_START_SETUP, START_SETUP_CODE, 0);
    return 0;
}

// Closing the splash ends the program. While the install sequence runs below this message, the
// windows must outlive it: the step ends as after a confirmed Cancel (quietly when the session
// ends, as nobody will answer a message), and the setup dialog then ends the program.
LRESULT OnSplashClose(HWND window, bool quietly) {
    if (InstallSequenceRunning()) {
        RequestProgramEnd(quietly);
        return 0;
    }
    DestroyWindow(window);
    PostQuitMessage(0);
    return 0;
}

// A silent run confirms the dialog it never shows, so that it runs the very same sequence; the
// dialog then ends the program.
void StartUnattendedSetup() {
    HWND dialog = CreateHiddenSetupDialog(SplashWindow);
    if (dialog)
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    else
        PostQuitMessage(0);
}

LRESULT OnStartSetup(WPARAM code) {
    if (code != START_SETUP_CODE)
        return 0;
    if (UnattendedRun())
        StartUnattendedSetup();
    else
        DialogBoxParamA(AppInstance, MAKEINTRESOURCEA(IDD_SETUP), SplashWindow, SetupDlgProc, 0);
    return 0;
}
} // namespace

LRESULT CALLBACK SplashWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnSplashCreate(window);
    case WM_PAINT: return OnSplashPaint(window);
    case WM_CLOSE: return OnSplashClose(window, false);
    case WM_QUERYENDSESSION: return TRUE;
    case WM_ENDSESSION: return wParam ? OnSplashClose(window, true) : 0;
    case WM_SHOWWINDOW: return OnSplashShow(window, static_cast<BOOL>(wParam));
    case WM_MOVE:
    case WM_SIZE: return 0;
    case WM_START_SETUP: return OnStartSetup(wParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterSplashClass(HINSTANCE instance) {
    WNDCLASSA splashClass = {};
    splashClass.style = CS_HREDRAW | CS_VREDRAW;
    splashClass.lpfnWndProc = SplashWndProc;
    splashClass.hInstance = instance;
    splashClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    splashClass.hIcon = LoadIconA(instance, "ldsetup");
    // Owned by the class for the life of the process.
    splashClass.hbrBackground = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
    splashClass.lpszClassName = AppCaption.data();
    return RegisterClassA(&splashClass) != 0;
}
