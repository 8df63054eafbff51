// ldharness.exe: runs one whole installation of ldsetup.exe unattended, as a user would,
// printing the texts of every screen it meets and saving a screenshot of each.
//   ldharness.exe demo OUTPUT_FOLDER [PROGRAM]
// It also measures one installation for the benchmarks:
//   ldharness.exe bench      time from Conferma to the success message, GDI objects and private
//                            bytes before and after, and the longest stall of the interface
//   ldharness.exe bench --quiet  the same time, measured without probing the interface
//   ldharness.exe repaint N  GDI objects and private bytes around N repaints of the wait dialog
// PROGRAM, last on the line of demo and bench, is the setup program run (default: the build's
// ldsetup.exe), such as the build's ldsetup_signed.exe.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "resources/resource_ids.h"

namespace {

// The setup program that is run.
const char* SetupProgram = LDSETUP_EXE;

using namespace harness;

constexpr DWORD InstallTimeoutMs = 180000;

int screenshotCount = 0;

void Screenshot(const std::string& folder, const char* name) {
    char path[MAX_PATH] = {};
    snprintf(path, sizeof path, "%s\\%02d-%s.bmp", folder.c_str(), ++screenshotCount, name);
    if (SaveScreenshot(path))
        std::printf("   screenshot: %s\n", path);
    std::fflush(stdout);
}

void Settle() {
    Sleep(600); // let the windows paint before the picture is taken
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

int RunDemo(const std::string& outputFolder) {
    // Each demo starts from a clean C: drive of its own prefix.
    RemoveTree("C:\\LUDRA");
    RemoveTree("C:\\LUDRA47");

    Program program;
    if (!program.Start(SetupProgram)) {
        std::printf("cannot start %s\n", SetupProgram);
        return 1;
    }
    std::printf("== ldsetup.exe started\n");
    HWND dialog = WaitForDialogWithControl(program.Id(), IDC_FOLDER);
    if (!dialog) {
        std::printf("the setup dialog did not open\n");
        return 1;
    }
    Settle();
    std::printf("== Splash and setup dialog \"%s\"\n   folder proposed: %s\n   buttons: [%s] [%s]\n",
                GetText(dialog).c_str(), GetControlText(dialog, IDC_FOLDER).c_str(),
                GetControlText(dialog, IDOK).c_str(), GetControlText(dialog, IDCANCEL).c_str());
    Screenshot(outputFolder, "setup-dialog");

    std::printf("== Conferma\n");
    PressButton(dialog, IDOK);

    bool waitShot = false;
    std::string lastStatus;
    const ULONGLONG deadline = GetTickCount64() + InstallTimeoutMs;
    while (program.Running() && GetTickCount64() < deadline) {
        if (HWND box = MessageBoxWithin(program.Id(), 50)) {
            Settle();
            std::printf("== Message \"%s\"\n   %s\n", GetText(box).c_str(), OneLine(MessageBoxText(box)).c_str());
            Screenshot(outputFolder, "message");
            AnswerMessageBox(box, IDOK);
            // A failed installation gives the dialog back; the demo ends there.
            if (WaitUntil([dialog] { return IsWindow(dialog) && IsWindowEnabled(GetDlgItem(dialog, IDOK)); }, 500)) {
                std::printf("== the installation failed: Annulla\n");
                PressButton(dialog, IDCANCEL);
                break;
            }
            continue;
        }
        auto waits = WindowsOf(program.Id(), "#32770", nullptr,
                               [](HWND w) { return !IsMessageBox(w) && HasControl(w, IDC_WAIT_ANIMATION); });
        if (!waits.empty()) {
            const std::string status = OneLine(GetControlText(waits.front(), IDC_WAIT_STATUS));
            if (!status.empty() && status != lastStatus) {
                std::printf("== Wait dialog: %s | %s\n", status.c_str(),
                            OneLine(GetControlText(waits.front(), IDC_WAIT_DETAIL)).c_str());
                lastStatus = status;
            }
            if (!waitShot) {
                Sleep(2000); // the bar and the animation a little way in
                Screenshot(outputFolder, "wait-dialog");
                waitShot = true;
            }
        }
    }
    DWORD exitCode = 0;
    if (!program.WaitForExit(5000, &exitCode)) {
        std::printf("ldsetup.exe did not end in time\n");
        return 1;
    }
    std::printf("== ldsetup.exe ended with exit code %lu\n", static_cast<unsigned long>(exitCode));
    return static_cast<int>(exitCode);
}

void PrintResources(const char* name, const Program& program) {
    std::printf("%s_gdi_objects=%d\n%s_private_bytes=%llu\n", name, CountGdiObjects(program.Handle(), program.Id()),
                name, static_cast<unsigned long long>(PrivateBytes(program.Handle())));
}

// Round trip of a sent message to the program's dialog: how long its thread does not answer.
class StallProbe {
public:
    explicit StallProbe(HWND window) : window_(window), thread_([this] { Run(); }) {}
    ~StallProbe() { Stop(); }
    double LongestMs() const { return static_cast<double>(longestUs_.load()) / 1000.0; }
    int Probes() const { return probes_; }
    // The answer time that this share of the probes did not exceed (after the probe has stopped).
    double PercentileMs(double share) {
        if (samplesUs_.empty())
            return 0;
        std::sort(samplesUs_.begin(), samplesUs_.end());
        const auto last = static_cast<double>(samplesUs_.size() - 1);
        return static_cast<double>(samplesUs_[static_cast<size_t>(share * last)]) / 1000.0;
    }
    void Stop() {
        stopping_ = true;
        if (thread_.joinable())
            thread_.join();
    }

private:
    void Run() {
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        while (!stopping_ && IsWindow(window_)) {
            DWORD_PTR result = 0;
            QueryPerformanceCounter(&start);
            if (!SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result))
                break;
            QueryPerformanceCounter(&end);
            const long long us = (end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
            if (us > longestUs_)
                longestUs_ = us;
            samplesUs_.push_back(us);
            ++probes_;
            Sleep(2);
        }
    }
    HWND window_;
    std::atomic<bool> stopping_{false};
    std::atomic<long long> longestUs_{0};
    std::vector<long long> samplesUs_;
    std::atomic<int> probes_{0};
    std::thread thread_;
};

// The wait dialog's answer times while it says the transfer runs: each probe asks the status field
// for its text, so an answer tells what the program was doing when it came (the unpacking after
// the transfer, which pumps nothing, answers with the completion text and is not counted).
class TransferProbe {
public:
    explicit TransferProbe(DWORD processId) : processId_(processId), thread_([this] { Run(); }) {}
    ~TransferProbe() { Stop(); }
    void Stop() {
        stopping_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    double LongestMs() const { return static_cast<double>(longestUs_) / 1000.0; }
    int Probes() const { return probes_; }
    // From the wait dialog's first answer to its last one during the transfer.
    double TransferMs() const { return static_cast<double>(transferUs_) / 1000.0; }

private:
    void Run() {
        HWND status = nullptr;
        while (!stopping_ && !status) {
            auto waits = WindowsOf(processId_, "#32770", nullptr,
                                   [](HWND w) { return !IsMessageBox(w) && HasControl(w, IDC_WAIT_ANIMATION); });
            if (!waits.empty())
                status = GetDlgItem(waits.front(), IDC_WAIT_STATUS);
            else
                Sleep(5);
        }
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        char text[128];
        while (!stopping_ && status && IsWindow(status)) {
            DWORD_PTR length = 0;
            text[0] = '\0';
            QueryPerformanceCounter(&start);
            if (!SendMessageTimeoutA(status, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                                     30000, &length))
                break;
            QueryPerformanceCounter(&end);
            if (!firstUs_)
                firstUs_ = start.QuadPart * 1000000 / frequency.QuadPart;
            if (!std::strstr(text, "in corso"))
                break; // the transfer is over
            transferUs_ = end.QuadPart * 1000000 / frequency.QuadPart - firstUs_;
            const long long us = (end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart;
            if (us > longestUs_)
                longestUs_ = us;
            ++probes_;
            Sleep(5);
        }
    }
    DWORD processId_;
    std::atomic<bool> stopping_{false};
    std::atomic<long long> longestUs_{0};
    std::atomic<int> probes_{0};
    long long firstUs_ = 0;
    std::atomic<long long> transferUs_{0};
    std::thread thread_;
};

// A fresh C: drive, then ldsetup.exe up to its setup dialog; null if it does not get there.
HWND StartAtSetupDialog(Program& program) {
    RemoveTree("C:\\LUDRA");
    RemoveTree("C:\\LUDRA47");
    if (!program.Start(SetupProgram))
        return nullptr;
    return WaitForDialogWithControl(program.Id(), IDC_FOLDER);
}

int RunBench(bool probing) {
    Program program;
    HWND dialog = StartAtSetupDialog(program);
    if (!dialog)
        return 1;
    // Measured with a message box on screen, as at the end: confirm a folder that exists.
    CreateDirectoryA("C:\\LUDRA.BENCH", nullptr);
    SetControlText(dialog, IDC_FOLDER, "C:\\LUDRA.BENCH");
    PressButton(dialog, IDOK);
    if (HWND refused = WaitForMessageBox(program.Id())) {
        Sleep(300);
        PrintResources("before", program);
        AnswerMessageBox(refused, IDOK);
    }
    RemoveDirectoryA("C:\\LUDRA.BENCH");
    SetControlText(dialog, IDC_FOLDER, "C:\\LUDRA");

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    PressButton(dialog, IDOK);
    HWND box = nullptr;
    double longestStallMs = 0;
    double transferStallMs = 0;
    int transferProbes = 0;
    double transferMs = 0;
    double medianStallMs = 0;
    double p99StallMs = 0;
    int probes = 0;
    if (!probing) {
        // Timed alone: the probes' own messages cost the program time, on one CPU above all. A
        // light watch (no message sent) notes when the wait dialog goes: the end of the download
        // step, unpacking included, before the INI configuration and the shortcut.
        std::atomic<bool> stop{false};
        LARGE_INTEGER stepEnd = {};
        std::thread watch([&] {
            HWND wait = nullptr;
            while (!stop && !wait) {
                auto waits = WindowsOf(program.Id(), "#32770", nullptr,
                                       [](HWND w) { return !IsMessageBox(w) && HasControl(w, IDC_WAIT_ANIMATION); });
                if (!waits.empty())
                    wait = waits.front();
                else
                    Sleep(5);
            }
            while (!stop && wait && IsWindow(wait))
                Sleep(5);
            QueryPerformanceCounter(&stepEnd);
        });
        box = WaitForMessageBox(program.Id(), InstallTimeoutMs);
        QueryPerformanceCounter(&end);
        stop = true;
        watch.join();
        std::printf("download_step_ms=%.1f\n", static_cast<double>(stepEnd.QuadPart - start.QuadPart) * 1000.0 /
                                                   static_cast<double>(frequency.QuadPart));
    } else {
        StallProbe probe(dialog);
        TransferProbe transfer(program.Id());
        box = WaitForMessageBox(program.Id(), InstallTimeoutMs);
        QueryPerformanceCounter(&end);
        probe.Stop();
        transfer.Stop();
        transferStallMs = transfer.LongestMs();
        transferProbes = transfer.Probes();
        transferMs = transfer.TransferMs();
        longestStallMs = probe.LongestMs();
        medianStallMs = probe.PercentileMs(0.5);
        p99StallMs = probe.PercentileMs(0.99);
        probes = probe.Probes();
    }
    if (!box)
        return 1;
    std::printf("install_ms=%.1f\n",
                static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart));
    if (probing)
        std::printf("longest_stall_ms=%.1f\nmedian_stall_ms=%.2f\np99_stall_ms=%.2f\nstall_probes=%d\n", longestStallMs,
                    medianStallMs, p99StallMs, probes);
    if (probing)
        std::printf("longest_transfer_stall_ms=%.1f\ntransfer_probes=%d\ntransfer_ms=%.1f\n", transferStallMs,
                    transferProbes, transferMs);
    std::printf("message=%s\n", OneLine(MessageBoxText(box)).c_str());
    Sleep(300);
    PrintResources("after", program);
    AnswerMessageBox(box, IDOK);
    DWORD exitCode = 1;
    program.WaitForExit(10000, &exitCode);
    std::printf("exit_code=%lu\n", static_cast<unsigned long>(exitCode));
    return static_cast<int>(exitCode);
}

int RunRepaints(int count) {
    Program program;
    HWND dialog = StartAtSetupDialog(program);
    if (!dialog)
        return 1;
    PressButton(dialog, IDOK);
    HWND wait = WaitForDialogWithControl(program.Id(), IDC_WAIT_ANIMATION, 60000);
    if (!wait)
        return 1;
    Sleep(300);
    PrintResources("wait_before", program);
    for (const char* name : {"wait_after", "wait_after_twice"}) {
        for (int i = 0; i < count && IsWindow(wait); ++i) {
            RedrawWindow(wait, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
            DWORD_PTR result = 0;
            // Answered only once the program pumps again, after the repaint it queued.
            SendMessageTimeoutA(wait, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
        }
        Sleep(300);
        PrintResources(name, program);
    }
    std::printf("repaints=%d\n", count);
    program.Kill();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const bool demo = argc >= 3 && std::strcmp(argv[1], "demo") == 0;
    const bool bench = argc >= 2 && std::strcmp(argv[1], "bench") == 0;
    const bool quiet = bench && argc >= 3 && std::strcmp(argv[2], "--quiet") == 0;
    const int fixedArgs = demo ? 3 : bench ? (quiet ? 3 : 2) : argc;
    if ((demo || bench) && argc == fixedArgs + 1)
        SetupProgram = argv[fixedArgs];
    if (demo && argc <= 4)
        return RunDemo(argv[2]);
    if (bench && argc <= fixedArgs + 1)
        return RunBench(!quiet);
    if (argc == 3 && std::strcmp(argv[1], "repaint") == 0)
        return RunRepaints(std::atoi(argv[2]));
    std::printf("usage: ldharness demo OUTPUT_FOLDER [PROGRAM] | bench [--quiet] [PROGRAM] | repaint COUNT\n");
    return 2;
}
