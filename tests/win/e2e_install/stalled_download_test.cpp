// A server that stops sending, never answers, or a host that never lets a connection in must not
// freeze the program: its windows answer all along, Cancel is heard at once, and without data
// the download gives up after the build's no-data limit. Each case leaves the setup dialog ready
// for another try, and the program closes its connection. A close of the program, or the end of
// the session, during the download ends it as a confirmed Cancel does, and then the program.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "install_fixture.h"
#include "resources/resource_ids.h"
#include "support/debug_output.h"
#include "support/e2e_steps.h"
#include "support/package_port.h"
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
constexpr DWORD OpeningBackstopMs = 2 * NoDataLimitMs + NoDataLimitMs / 2;
// A give-up this much before the limit counts as early (tick granularity and detection delay).
constexpr DWORD EarlyMs = 300;
constexpr DWORD ProbeRunLimitMs = 120000;
// The pauses before the three resumes of a body that stops short.
constexpr DWORD ResumePausesMs = 1000 + 2000 + 4000;

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

// A host that drops connection attempts: a listener on the port whose queue is full and which
// never accepts, so the handshake of a new connection is never answered.
class DroppingHost {
public:
    ~DroppingHost() {
        for (SOCKET socket : sockets_)
            closesocket(socket);
        WSACleanup();
    }
    // False unless a further connection attempt goes unanswered.
    bool Start(unsigned short port) {
        WSADATA wsa = {};
        WSAStartup(MAKEWORD(2, 2), &wsa);
        address_.sin_family = AF_INET;
        address_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address_.sin_port = htons(port);
        const SOCKET listener = Add();
        if (bind(listener, reinterpret_cast<const sockaddr*>(&address_), sizeof address_) != 0 ||
            listen(listener, 0) != 0)
            return false;
        for (int filler = 0; filler < 3; ++filler)
            Connect();
        Sleep(200);
        fd_set answered;
        FD_ZERO(&answered);
        FD_SET(Connect(), &answered);
        timeval wait = {1, 0};
        return select(0, nullptr, &answered, nullptr, &wait) == 0;
    }

private:
    SOCKET Add() {
        sockets_.push_back(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        return sockets_.back();
    }
    SOCKET Connect() {
        const SOCKET socket = Add();
        u_long nonBlocking = 1;
        ioctlsocket(socket, FIONBIO, &nonBlocking);
        connect(socket, reinterpret_cast<const sockaddr*>(&address_), sizeof address_);
        return socket;
    }

    sockaddr_in address_ = {};
    std::vector<SOCKET> sockets_;
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
    HWND Splash() { return HiddenOrVisibleWindowOf(program_.Id(), SetupCaption); }
    HWND WaitDialog(DWORD timeoutMs) { return WaitForDialogWithControl(program_.Id(), IDC_WAIT_ANIMATION, timeoutMs); }
    std::string AnswerNextMessage(DWORD timeoutMs) { return AnswerNextMessageBox(program_, timeoutMs); }
    // The setup dialog takes the failed installation back, and the program ends on Annulla.
    void ExpectReadyForAnotherTry(HWND dialog) {
        EXPECT_EQ(IncompleteText, AnswerNextMessage(DefaultTimeoutMs));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }, 5000));
        EXPECT_TRUE(IsWindowEnabled(dialog));
        CancelAndExpectCleanExit(program_, dialog);
    }
    // Answers every message box with OK until the program ends; its texts. The program must never
    // go on for long without a visible window.
    std::vector<std::string> AnswerBoxesUntilExit(DWORD timeoutMs) {
        std::vector<std::string> texts;
        const ULONGLONG until = GetTickCount64() + timeoutMs;
        ULONGLONG windowless = 0;
        DWORD exitCode = 99;
        while (!program_.WaitForExit(20, &exitCode) && GetTickCount64() < until) {
            if (HWND box = MessageBoxWithin(program_.Id(), 0)) {
                texts.push_back(MessageBoxText(box));
                EXPECT_TRUE(AnswerMessageBox(box, IDOK));
            }
            const bool shown = !WindowsOf(program_.Id(), nullptr, nullptr).empty();
            windowless = shown ? 0 : windowless ? windowless : GetTickCount64();
            EXPECT_FALSE(windowless && GetTickCount64() - windowless > 2000) << "running without a window";
        }
        EXPECT_FALSE(program_.Running()) << "still running after " << timeoutMs << " ms";
        EXPECT_EQ(0u, exitCode);
        return texts;
    }
    // The stalled connection is closed by the program, not left behind.
    void ExpectConnectionClosed(int connections = 1) {
        EXPECT_TRUE(WaitUntil([&] { return http_.HeldConnectionsClosed() == connections; }, NoDataLimitMs + LateMs))
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

// Each answer stalls: the download asks again after every silence of the limit, three times after
// pauses of 1, 2 and 4 s, each time for the whole package (the server names no validator), then
// takes the failure road; the windows answer all along, and the trail tells why.
TEST_F(StalledDownload, UntouchedStallIsAskedForThreeTimesMoreThenFailsWhileTheWindowsAnswer) {
    DebugOutput trail;
    Serve(StallingPackage());
    HWND dialog = StartAndConfirm();
    ASSERT_NE(nullptr, dialog);
    HWND wait = WaitDialog(20000);
    ASSERT_NE(nullptr, wait) << "the wait dialog did not show";
    // The data stopped at about the time the dialog showed (it shows with the first block).
    const ULONGLONG stalled = GetTickCount64();
    AnswerProbe probe(wait);
    const DWORD expectedMs = 4 * NoDataLimitMs + ResumePausesMs;
    HWND failure = WaitForMessageBox(program_.Id(), expectedMs + LateMs);
    const ULONGLONG gaveUpMs = GetTickCount64() - stalled;
    probe.Stop();
    ASSERT_NE(nullptr, failure) << "no failure within " << expectedMs << " ms";
    EXPECT_EQ(DownloadFailedText, MessageBoxText(failure));
    EXPECT_GE(gaveUpMs + EarlyMs, expectedMs) << "gave up before three resumes";
    EXPECT_EQ(4, http_.RequestCount());
    EXPECT_FALSE(probe.MissedAnAnswer()) << "the wait dialog stopped answering";
    EXPECT_LT(probe.LongestMs(), AnswerMs);
    EXPECT_GT(probe.Answers(), 10);
    EXPECT_TRUE(AnswerMessageBox(failure, IDOK));
    // The time-out's code: WinINet's on Windows, the socket's under Wine.
    const std::regex line(
        "Ludra Setup: download failed \\(direct\\): error (12002|10060), HTTP status 200, 65536 bytes received, "
        "3 resumes");
    ASSERT_EQ(1u, trail.Lines().size());
    EXPECT_TRUE(std::regex_match(trail.Lines()[0], line)) << trail.Lines()[0];

    EXPECT_EQ(StallAfterBytes, ReadWholeFile(PackageFile).size());
    ExpectReadyForAnotherTry(dialog);
    ExpectConnectionClosed(4);
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

// Cancel while the download pauses before asking again: heard at once, and nothing is asked again.
TEST_F(StalledDownload, CancelDuringThePauseBeforeAResumeIsAnsweredAtOnce) {
    HttpResponse broken = StallingPackage();
    broken.stallAfter = std::string::npos;
    broken.cutAfter = StallAfterBytes;
    Serve(broken);
    HWND dialog = StartAndConfirm();
    ASSERT_NE(nullptr, dialog);
    HWND wait = WaitDialog(20000);
    ASSERT_NE(nullptr, wait) << "the wait dialog did not show";
    // The first answer is cut at once; the pause before the next one lasts a second.
    Sleep(300);
    PressButton(wait, IDC_WAIT_CANCEL);
    HWND question = WaitForMessageBox(program_.Id(), AnswerMs);
    ASSERT_NE(nullptr, question) << "Cancel was not answered within " << AnswerMs << " ms";
    EXPECT_EQ(CancelQuestion, MessageBoxText(question));
    EXPECT_TRUE(AnswerMessageBox(question, IDYES));
    EXPECT_EQ(DownloadFailedText, AnswerNextMessage(AnswerMs));
    EXPECT_EQ(1, http_.RequestCount()) << "asked again after a confirmed Cancel";
    ExpectReadyForAnotherTry(dialog);
}

// "End task" or a script closes the splash: the step ends as a confirmed Cancel ends it, the user
// is told, and then the program ends.
TEST_F(StalledDownload, CloseDuringTheDownloadEndsTheProgramOnceItsMessagesAreAnswered) {
    Serve(StallingPackage());
    ASSERT_NE(nullptr, StartAndConfirm());
    ASSERT_NE(nullptr, WaitDialog(20000)) << "the wait dialog did not show";
    PostMessageA(Splash(), WM_CLOSE, 0, 0);
    EXPECT_EQ(AnswerBoxesUntilExit(NoDataLimitMs + LateMs),
              (std::vector<std::string>{DownloadFailedText, IncompleteText}));
}

// Log-off with the Cancel question open: nobody will answer a message, so none is left open, and
// only the program's own boxes are answered (the setup dialog is not confirmed again). A log-off
// that another program refused ends nothing.
TEST_F(StalledDownload, EndOfTheSessionEndsTheStepAndTheProgramWithoutAMessage) {
    DebugOutput trail;
    Serve(StallingPackage());
    ASSERT_NE(nullptr, StartAndConfirm());
    HWND wait = WaitDialog(20000);
    ASSERT_NE(nullptr, wait) << "the wait dialog did not show";
    PressButton(wait, IDC_WAIT_CANCEL);
    HWND question = WaitForMessageBox(program_.Id(), AnswerMs);
    ASSERT_NE(nullptr, question);
    DWORD_PTR result = 0;
    for (const WPARAM ending : {FALSE, TRUE}) {
        ASSERT_TRUE(SendMessageTimeoutA(Splash(), WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, AnswerMs, &result));
        EXPECT_TRUE(result) << "the program refused the end of the session";
        ASSERT_TRUE(SendMessageTimeoutA(Splash(), WM_ENDSESSION, ending, 0, SMTO_NORMAL, AnswerMs, &result));
        if (!ending) {
            Sleep(AnswerMs);
            ASSERT_TRUE(program_.Running()) << "a session that goes on ended the program";
            EXPECT_TRUE(IsWindow(question) && IsWindow(wait)) << "a session that goes on ended the step";
        }
    }
    DWORD exitCode = 99;
    ASSERT_TRUE(program_.WaitForExit(LateMs, &exitCode)) << "the program outlived the session";
    EXPECT_EQ(0u, exitCode);
    const std::vector<std::string> lines = trail.Lines();
    ASSERT_EQ(1u, lines.size()) << lines.back();
    EXPECT_EQ(0u, lines[0].rfind("Ludra Setup: download failed (direct): ", 0)) << lines[0];
}

// The connection itself never opens: the failure comes at the backstop of the opening (its connection
// and its answer may each take the limit), and the program does not
// wait for the network any longer than that, neither to give the dialog back nor to end.
TEST_F(StalledDownload, HostThatDropsConnectionsFailsAtTheBackstopAndTheProgramGoesOn) {
    DroppingHost host;
    ASSERT_TRUE(host.Start(PackagePort())) << "the host answered a connection";
    HWND dialog = StartAndConfirm();
    ASSERT_NE(nullptr, dialog);
    const ULONGLONG confirmed = GetTickCount64();
    EXPECT_EQ(DownloadFailedText, AnswerNextMessage(OpeningBackstopMs + LateMs));
    // Wine does not end a connection whose packets are dropped at its own bound: only the backstop
    // does, and it must leave the connection and the answer their limit each.
    EXPECT_GE(GetTickCount64() - confirmed + EarlyMs, OpeningBackstopMs) << "gave up within the request's own bounds";
    EXPECT_EQ(IncompleteText, AnswerNextMessage(AnswerMs));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }, AnswerMs));
    PressButton(dialog, IDCANCEL);
    DWORD exitCode = 99;
    ASSERT_TRUE(program_.WaitForExit(3000, &exitCode)) << "the program waited for the network to end";
    EXPECT_EQ(0u, exitCode);
}

} // namespace
