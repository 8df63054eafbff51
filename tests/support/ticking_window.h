// A hidden window of the calling thread with a 10 ms timer: how often, and how late, the thread
// served its windows while it was busy with something else.
#pragma once

#include <windows.h>

class TickingWindow {
public:
    TickingWindow() : window_(nullptr) {
        static const ATOM windowClass = Register();
        window_ = CreateWindowExA(0, MAKEINTATOM(windowClass), "ticks", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        State() = Counts();
        SetTimer(window_, TimerId, TickMs, nullptr);
    }
    ~TickingWindow() {
        KillTimer(window_, TimerId);
        DestroyWindow(window_);
    }
    TickingWindow(const TickingWindow&) = delete;
    TickingWindow& operator=(const TickingWindow&) = delete;

    // Stops the timer, so what follows is not counted.
    void Stop() { KillTimer(window_, TimerId); }
    int Ticks() const { return State().ticks; }
    // The longest time between two served ticks, in ms.
    ULONGLONG LongestGap() const { return State().longestGap; }

private:
    static constexpr UINT_PTR TimerId = 7;
    static constexpr UINT TickMs = 10;

    struct Counts {
        ULONGLONG lastTick = 0;
        ULONGLONG longestGap = 0;
        int ticks = 0;
    };
    // One ticking window at a time per test process.
    static Counts& State() {
        static Counts counts;
        return counts;
    }

    static ATOM Register() {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = TickProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "LudraTestTickWindow";
        return RegisterClassA(&windowClass);
    }

    static LRESULT CALLBACK TickProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_TIMER || wParam != TimerId)
            return DefWindowProcA(window, message, wParam, lParam);
        Counts& counts = State();
        const ULONGLONG now = GetTickCount64();
        if (counts.lastTick && now - counts.lastTick > counts.longestGap)
            counts.longestGap = now - counts.lastTick;
        counts.lastTick = now;
        ++counts.ticks;
        return 0;
    }

    HWND window_;
};
