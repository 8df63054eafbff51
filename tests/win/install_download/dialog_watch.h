// What the download shows while it runs: the message boxes of this process (answered from a
// helper thread, as a user would) and the wait dialog's texts and percentages (seen through
// hooks on the test's own thread).
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Answers every message box of this process: the Cancel confirmation with confirmAnswer (after
// it has been up for confirmDelayMs), any other box with IDOK. Records each box's text.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int confirmAnswer = IDNO, DWORD confirmDelayMs = 0);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    std::vector<std::string> Texts() const;

private:
    void Run();
    void AnswerBox(HWND box);
    static BOOL CALLBACK OnWindow(HWND window, LPARAM self);

    int confirmAnswer_;
    DWORD confirmDelayMs_;
    HWND waitingBox_ = nullptr;
    ULONGLONG waitingSince_ = 0;
    std::atomic<bool> stopping_;
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
    std::vector<HWND> answered_;
    std::thread thread_;
};

// Watches the first wait dialog created on this thread: the texts of its status field and the
// percentages sent to its bar. With pressCancel, Cancel is pressed as soon as it exists, so the
// first pump of the step hears it.
class WaitDialogWatch {
public:
    explicit WaitDialogWatch(bool pressCancel = false);
    ~WaitDialogWatch();
    WaitDialogWatch(const WaitDialogWatch&) = delete;
    WaitDialogWatch& operator=(const WaitDialogWatch&) = delete;

    bool DialogSeen() const { return dialog_ != nullptr; }
    const std::vector<std::string>& Statuses() const { return statuses_; }
    const std::vector<std::string>& Percents() const { return percents_; }

private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK OnCallWndProc(int code, WPARAM wParam, LPARAM lParam);

    bool pressCancel_;
    HWND dialog_;
    HHOOK cbtHook_;
    HHOOK callHook_;
    std::vector<std::string> statuses_;
    std::vector<std::string> percents_;
};

// True when the wait shows a real dialog (a text update creates it).
bool WaitDialogAvailable();
