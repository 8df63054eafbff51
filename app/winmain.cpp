// The GUI entry point: shared handles, splash window, brushes and the main message loop.
#include <windows.h>

#include "app/splash.h"
#include "app/start_command.h"
#include "app/uninstall.h"
#include "base/globals.h"
#include "base/strings.h"
#include "progress/wait.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand) {
    AppInstance = instance;
    CopyBounded(AppCaption.data(), AppCaption.size(), "Ludra Setup");
    int refusedCode = 0;
    if (!ReadStartCommand(commandLine, &refusedCode))
        return refusedCode;
    BeginRunLog(commandLine);
    if (UnattendedRun())
        BeginUnattendedRun(StartCommand.mode == RunMode::VerySilent);
    if (StartCommand.cleanup)
        return EndRun(RunCleanup());
    if (StartCommand.uninstall)
        return EndRun(RunUninstall());

    if (!previous && !RegisterSplashClass(instance))
        return EndRun(0);

    // A pop-up at (0, 0) with no size yet: WM_CREATE fits it to the splash bitmap.
    SplashWindow = CreateWindowExA(0, AppCaption.data(), "Ludra Setup", WS_POPUP, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                   nullptr, nullptr, instance, nullptr);
    if (!SplashWindow)
        return EndRun(0);

    CreateSolidBrushes();
    if (UnattendedRun()) {
        // No splash: the hidden splash window still owns the run and hears the end of the session.
        PostMessageA(SplashWindow, WM_START_SETUP, START_SETUP_CODE, 0);
    } else {
        ShowWindow(SplashWindow, showCommand);
        UpdateWindow(SplashWindow);
    }

    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    DeleteSolidBrushes();
    return EndRun(InstallExitCode(static_cast<int>(message.wParam)));
}
