// The one message pump of the Windows tests: dispatches the test thread's messages (through the
// dialog manager for dialogs, as the program's own pumps do) and never waits without a bound.
#pragma once

#include <windows.h>

#include <cstring>

// A burst of messages larger than this is left for the next round, so a window that keeps
// posting to itself cannot hold a pump forever.
constexpr int MaxMessagesPerRound = 1000;
constexpr DWORD PumpRestMs = 5;

inline bool IsDialogWindow(HWND window) {
    char name[16] = {};
    return window && GetClassNameA(window, name, sizeof name) && std::strcmp(name, "#32770") == 0;
}

// Hands one message to its window; keys for a dialog go through IsDialogMessage first.
inline void DispatchOne(MSG& message) {
    HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (IsDialogWindow(root) && IsDialogMessageA(root, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

// Dispatches what is queued now, through `each(message)`; returns how many messages there were.
template <typename Each> int PumpPendingEach(Each each) {
    int count = 0;
    MSG message;
    while (count < MaxMessagesPerRound && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        ++count;
        each(message);
    }
    return count;
}

inline int PumpPending() {
    return PumpPendingEach([](MSG& message) { DispatchOne(message); });
}

// Dispatches through `each(message)` until done() holds or `ms` milliseconds have passed; what is
// queued is dispatched at least once. Returns done().
template <typename Done, typename Each> bool PumpEachUntil(DWORD ms, Done done, Each each) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        PumpPendingEach(each);
        if (done())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(PumpRestMs);
    }
}

template <typename Done> bool PumpUntil(DWORD ms, Done done) {
    return PumpEachUntil(ms, done, [](MSG& message) { DispatchOne(message); });
}

// Lets the windows of the thread run for `ms` milliseconds.
inline void PumpFor(DWORD ms) {
    PumpUntil(ms, [] { return false; });
}
