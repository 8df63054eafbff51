// What the download shows while it runs: the message boxes of this process (answered from a
// helper thread, as a user would) and the wait dialog's texts and percentages (seen through
// hooks on the test's own thread).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/box_answerer.h"

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
