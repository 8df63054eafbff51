// Answers the message boxes of this process from a helper thread, as a user would, and records
// what each box said.
#pragma once

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "message_pump.h"
#include "program_texts.h"

// The Cancel confirmation is answered with `confirmAnswer`, any other box with OK, each once it has
// been up for `holdMs`. With an owner, only the boxes it owns are answered. The destructor stops
// and joins the thread.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int confirmAnswer = IDNO, HWND owner = nullptr, DWORD holdMs = 0)
        : confirmAnswer_(confirmAnswer), owner_(owner), holdMs_(holdMs), stopping_(false), mutex_(), texts_(),
          captions_(), answered_(), thread_([this] { Run(); }) {}
    ~BoxAnswerer() {
        stopping_ = true;
        thread_.join();
    }
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // The texts of the boxes answered so far, in order.
    std::vector<std::string> Texts() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }
    bool Seen() const { return !Texts().empty(); }
    // The first box's text and caption; empty while no box was answered.
    std::string Text() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_.empty() ? std::string() : texts_.front();
    }
    std::string Caption() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return captions_.empty() ? std::string() : captions_.front();
    }

private:
    static constexpr DWORD PollMs = 10;
    static constexpr size_t TextSize = 512;

    void Run() {
        while (!stopping_) {
            EnumWindows(OnWindow, reinterpret_cast<LPARAM>(this));
            Sleep(PollMs);
        }
    }

    static BOOL CALLBACK OnWindow(HWND window, LPARAM self) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId() && IsDialogWindow(window) && IsWindowVisible(window))
            reinterpret_cast<BoxAnswerer*>(self)->AnswerBox(window);
        return TRUE;
    }

    // A box still being built has no text yet (and a dialog that is no box has no such label):
    // it is looked at again on a later round.
    void AnswerBox(HWND box) {
        if (owner_ && GetWindow(box, GW_OWNER) != owner_)
            return;
        char text[TextSize] = {};
        HWND label = GetDlgItem(box, MessageBoxTextId);
        if (!label || GetWindowTextA(label, text, sizeof text) == 0)
            return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (std::find(answered_.begin(), answered_.end(), box) != answered_.end())
                return;
        }
        Sleep(holdMs_);
        char caption[TextSize] = {};
        GetWindowTextA(box, caption, sizeof caption);
        std::lock_guard<std::mutex> lock(mutex_);
        answered_.push_back(box);
        texts_.push_back(text);
        captions_.push_back(caption);
        const int answer = std::strcmp(text, CancelQuestion) == 0 ? confirmAnswer_ : IDOK;
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    }

    int confirmAnswer_;
    HWND owner_;
    DWORD holdMs_;
    std::atomic<bool> stopping_;
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
    std::vector<std::string> captions_;
    std::vector<HWND> answered_;
    std::thread thread_;
};
