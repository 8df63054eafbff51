// A server that stops sending, or never answers, must not freeze the program: its windows answer
// all along, Cancel is heard at once, and without data the download gives up after the build's
// no-data limit. Each case leaves the setup dialog ready for another try, and the program closes
// its connection.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "harness.h"
#include "install_fixture.h"
#include "resources/resource_ids.h"
#include "support/e2e_steps.h"
#include "support/program_texts.h"

namespace {

using namespace harness;

constexpr const char* PackageFile = "C:\\LUDRA\\LD46DEMO.zip";
constexpr DWORD NoDataLimitMs = LUDRA_NO_DATA_LIMIT_MS;
constexpr size_t StallAfterBytes = 65536;
// What "at once" means here: a window answers, a box appears, within this.
constexpr DWORD AnswerMs = 1000;
// Slack for a busy machine on top of the limit before a give-up counts as late.
constexpr DWORD LateMs = 5000;
// A give-up this much before the limit counts as early (tick granularity and detection delay).
constexpr DWORD EarlyMs = 300;
constexpr DWORD ProbeRunLimitMs = 120000;

// Sends a window of the program WM_NULL over and over from a thread of its own, timing each
// answer. The first send that times out ends the probe: a second one to a frozen program could
// wait as long as it stays frozen.
class AnswerProbe {
public:
    explicit AnswerProbe(HWND window) : window_(window), thread_([this] { Run(); }) {}
    ~AnswerProbe() { Stop(); }
    void Stop() {
        stopping_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    bool MissedAnAnswer() const { return missed_; }
    DWORD LongestMs() const { return longestMs_; }
    int Answers() const { return answers_; }

private:
    void Run() {
        const ULONGLONG until = GetTickCount64() + ProbeRunLimitMs;
        while (!stopping_ && GetTickCount64() < until && IsWindow(window_)) {
            const ULONGLONG start = GetTickCount64();
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, AnswerMs, &result)) {
                missed_ = IsWindow(window_) != FALSE;
                return;
            }
            const DWORD spent = static_cast<DWORD>(GetTickCount64() - start);
            if (spent > longestMs_)
                longestMs_ = spent;
            ++answers_;
            Sleep(10);
        }
    }

    HWND window_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> missed_{false};
    std::atomic<DWORD> longestMs_{0};
    std::atomic<int> answers_{0};
    std::thread thread_;
};

class StalledDownload : public InstallFixture {
protected:
    // The demo package, made long enough that the stall comes well before its end.
    HttpResponse StallingPackage() {
        HttpResponse response;
        response.body = ReadWholeFile(DEMO_PACKAGE);
        if (response.body.size() < 4 * StallAfterBytes)
            response.body.resize(4 * StallAfterBytes, 'x');
        response.stallAfter = StallAfterBytes;
        return response;
    }

    HWND StartAndConfirm() {
        EXPECT_TRUE(program_.Start(LDSETUP_EXE));
        HWND dialog = WaitForDialogWithControl(program_.Id(), IDC_FOLDER);
        EXPECT_NE(nullptr, dialog);
        if (dialog)
            PressButton(dialog, IDOK);
        return dialog;
    }
    HWND WaitDialog(DWORD timeoutMs) { return WaitForDialogWithControl(program_.Id(), IDC_WAIT_ANIMATION, timeoutMs); }
    std::string AnswerNextMessage(DWORD timeoutMs) { return AnswerNextMessageBox(program_, timeoutMs); }
    // The setup dialog takes the failed installation back, and the program ends on Annulla.
    void ExpectReadyForAnotherTry(HWND dialog) {
        EXPECT_EQ(IncompleteText, AnswerNextMessage(DefaultTimeoutMs));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }, 5000));
        EXPECT_TRUE(IsWindowEnabled(dialog));
        CancelAndExpectCleanExit(program_, dialog);
    }
    // The stalled connection is closed by the program, not left behind.
    void ExpectConnectionClosed() {
        EXPECT_TRUE(WaitUntil([&] { return http_.HeldConnectionsClosed() == 1; }, NoDataLimitMs + LateMs))
            << "the program kept the stalled connection open";
    }
};

TEST_F(StalledDownload, CancelIsAnsweredAtOnceAndTakesTheCancelRoad) {
    Serve(StallingPackage());
    HWND dialog = StartAndConfirm();
    ASSERT_NE(nullptr, dialog);
    HWND wait = WaitDialog(20000);
    ASSERT_NE(nullptr, wait) << "the wait dialog did not show";
    AnswerProbe probe(wait);
    Sleep(500); // the 64 KB are long in; the server sends nothing more

    PressButton(wait, IDC_WAIT_CANCEL);
    HWND question = WaitForMessageBox(program_.Id(), AnswerMs);
    ASSERT_NE(nullptr, question) << "Cancel was not answered within " << AnswerMs << " ms";
    EXPECT_EQ(CancelQuestion, MessageBoxText(question));
    EXPECT_TRUE(AnswerMessageBox(question, IDYES));
    HWND failure = WaitForMessageBox(program_.Id(), AnswerMs);
    ASSERT_NE(nullptr, failure) << "the confirmed Cancel did not end the download at once";
    EXPECT_EQ(DownloadFailedText, MessageBoxText(failure));
    EXPECT_FALSE(IsWindow(wait));
    probe.Stop();
    EXPECT_FALSE(probe.MissedAnAnswer());
    EXPECT_GT(probe.Answers(), 0);
    EXPECT_TRUE(AnswerMessageBox(failure, IDOK));

    // Every block that arrived was written; nothing was unpacked.
    EXPECT_EQ(StallAfterBytes, ReadWholeFile(PackageFile).size());
    EXPECT_FALSE(FileExists("C:\\LUDRA\\SETUP.INF"));
    ExpectReadyForAnotherTry(dialog);
    ExpectConnectionClosed();
}

TEST_F(StalledDownload, UntouchedStallFailsAfterTheNoDataLimitWhileTheWindowsAnswer) {
    Serve(StallingPackage());
    HWND dialog = StartAndConfirm();
    ASSERT_NE(nullptr, dialog);
    HWND wait = WaitDialog(20000);
    ASSERT_NE(nullptr, wait) << "the wait dialog did not show";
    // The data stopped at about the time the dialog showed (it shows with the first block).
    const ULONGLONG stalled = GetTickCount64();
    AnswerProbe probe(wait);
    HWND failure = WaitForMessageBox(program_.Id(), NoDataLimitMs + LateMs);
    const ULONGLONG gaveUpMs = GetTickCount64() - stalled;
    probe.Stop();
    ASSERT_NE(nullptr, failure) << "no failure within the no-data limit of " << NoDataLimitMs << " ms";
    EXPECT_EQ(DownloadFailedText, MessageBoxText(failure));
    EXPECT_GE(gaveUpMs + EarlyMs, NoDataLimitMs) << "gave up before the no-data limit";
    EXPECT_FALSE(probe.MissedAnAnswer()) << "the wait dialog stopped answering";
    EXPECT_LT(probe.LongestMs(), AnswerMs);
    EXPECT_GT(probe.Answers(), 10);
    EXPECT_TRUE(AnswerMessageBox(failure, IDOK));

    EXPECT_EQ(StallAfterBytes, ReadWholeFile(PackageFile).size());
    ExpectReadyForAnotherTry(dialog);
    ExpectConnectionClosed();
}

TEST_F(StalledDownload, ServerThatNeverAnswersFailsAfterTheLimitWithoutFreezing) {
    HttpResponse silent;
    silent.silent = true;
    Serve(silent);
    HWND dialog = StartAndConfirm();
    ASSERT_NE(nullptr, dialog);
    const ULONGLONG confirmed = GetTickCount64();
    AnswerProbe probe(dialog);
    // Until an answer comes the setup dialog stays disabled and no wait dialog shows.
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(dialog); }, AnswerMs));
    HWND failure = WaitForMessageBox(program_.Id(), NoDataLimitMs + LateMs);
    const ULONGLONG gaveUpMs = GetTickCount64() - confirmed;
    probe.Stop();
    ASSERT_NE(nullptr, failure) << "no failure within the no-data limit of " << NoDataLimitMs << " ms";
    EXPECT_EQ(DownloadFailedText, MessageBoxText(failure));
    EXPECT_EQ(nullptr, WaitDialog(0)) << "a wait dialog showed without data";
    EXPECT_GE(gaveUpMs + EarlyMs, NoDataLimitMs) << "gave up before the no-data limit";
    EXPECT_FALSE(probe.MissedAnAnswer()) << "the setup dialog stopped answering";
    EXPECT_LT(probe.LongestMs(), AnswerMs);
    EXPECT_GT(probe.Answers(), 10);
    EXPECT_TRUE(AnswerMessageBox(failure, IDOK));

    EXPECT_FALSE(FileExists(PackageFile));
    ExpectReadyForAnotherTry(dialog);
    ExpectConnectionClosed();
}

} // namespace
