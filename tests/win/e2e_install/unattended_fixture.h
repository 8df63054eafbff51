// What the tests of unattended runs share: the program run with switches to its end, every window
// it showed meanwhile, and its log without the times.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "harness.h"
#include "install_fixture.h"
#include "resources/resource_ids.h"
#include "support/scratch_folder.h"

constexpr DWORD UnattendedRunTimeoutMs = 90000;

// Every visible top-level window of the process, sampled every 50 ms until it ends: a message box
// as "box: its text", the wait dialog as "wait", anything else by its caption.
class VisibleWindows {
public:
    explicit VisibleWindows(const harness::Program& program)
        : processId_(program.Id()), process_(program.Handle()), thread_([this] { Run(); }) {}
    ~VisibleWindows() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    // Waits for the end of the process (bounded), then returns what was seen.
    std::set<std::string> Seen() {
        WaitForSingleObject(process_, UnattendedRunTimeoutMs);
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
        return seen_;
    }
    bool Saw(const std::string& window) {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_.count(window) > 0;
    }

private:
    void Run() {
        for (ULONGLONG start = GetTickCount64(); !stop_ && GetTickCount64() - start < UnattendedRunTimeoutMs;
             Sleep(50)) {
            std::lock_guard<std::mutex> lock(mutex_);
            for (HWND window : harness::WindowsOf(processId_, nullptr, nullptr))
                seen_.insert(harness::IsMessageBox(window) ? "box: " + harness::MessageBoxText(window)
                             : harness::HasControl(window, IDC_WAIT_ANIMATION) ? std::string("wait")
                                                                               : harness::GetText(window));
            if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0)
                break;
        }
    }

    DWORD processId_;
    HANDLE process_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::set<std::string> seen_;
    std::thread thread_;
};

class Unattended : public InstallFixture {
protected:
    // Runs the program with these switches to its end; its exit code (99: it did not end in time).
    DWORD Run(const std::string& arguments, std::set<std::string>* seen = nullptr, const char* program = LDSETUP_EXE) {
        EXPECT_TRUE(program_.Start(program, nullptr, SW_SHOWNORMAL, arguments.c_str()));
        VisibleWindows windows(program_);
        const std::set<std::string> shown = windows.Seen();
        if (seen)
            *seen = shown;
        DWORD exitCode = 99;
        EXPECT_TRUE(program_.WaitForExit(5000, &exitCode)) << arguments;
        return exitCode;
    }

    ScratchFolder scratch_{"unattended"};
    std::string log_ = scratch_ / "install.log";
};

// The log's lines without their times; each must carry one.
inline std::string LogBody(const std::string& path) {
    const std::string text = ReadWholeFile(path);
    static const std::regex stamp("(^|\n)\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3} ");
    return std::regex_replace(text, stamp, "$1");
}
