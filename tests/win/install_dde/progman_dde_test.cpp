// The Program Manager conversation against test servers in this process. Wine's explorer answers a
// "Progman" initiate too, so the test servers are topmost (they hear the broadcast first) and are
// recognised by their window.
#include <windows.h>
#include <dde.h>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "install/dde_command.h"
#include "install/progman_dde.h"
#include "install/progman_dde_state.h"
#include "support/message_pump.h"

namespace {
constexpr const char* ServerClass = "LudraTestProgman";
constexpr const char* ClientClass = "LudraTestSetupDialog";
constexpr UINT_PTR AckPositive = 0x8000;
constexpr DWORD PumpLimitMs = 2000;
const std::string DefaultFolderCommands = "[CreateGroup(\"Ludra 4.7\")]"
                                          "[AddItem(C:\\LUDRA47\\ludra.exe,Ludra 4)]"
                                          "[AddItem(C:\\LUDRA47\\ludra.chm,Help Ludra)]"
                                          "[AddItem(C:\\LUDRA47\\manuale4.pdf,Manuale Ludra)]"
                                          "[ShowGroup(\"Ludra 4.7\",1)]";

// A Program Manager stand-in: accepts the initiate, reads the commands, acknowledges them.
struct TestServer {
    HWND window = nullptr;
    bool acknowledgeCommands = true;
    int executes = 0;
    std::string commands;
    HGLOBAL block = nullptr;
    HWND client = nullptr;

    void Acknowledge() {
        PostMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(window),
                     PackDDElParam(WM_DDE_ACK, AckPositive, reinterpret_cast<UINT_PTR>(block)));
    }
};

LRESULT OnServerInitiate(TestServer* server, HWND client, LPARAM atoms) {
    char name[32] = {};
    if (!GlobalGetAtomNameA(LOWORD(atoms), name, sizeof name) || std::strcmp(name, "Progman") != 0)
        return 0;
    server->client = client;
    SendMessageA(client, WM_DDE_ACK, reinterpret_cast<WPARAM>(server->window), atoms);
    return 0;
}

LRESULT OnServerExecute(TestServer* server, LPARAM block) {
    ++server->executes;
    server->block = reinterpret_cast<HGLOBAL>(block);
    if (const char* text = static_cast<const char*>(GlobalLock(server->block))) {
        server->commands = text;
        GlobalUnlock(server->block);
    }
    if (server->acknowledgeCommands)
        server->Acknowledge();
    return 0;
}

LRESULT CALLBACK ServerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* server = reinterpret_cast<TestServer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_DDE_INITIATE: return server ? OnServerInitiate(server, reinterpret_cast<HWND>(wParam), lParam) : 0;
    case WM_DDE_EXECUTE: return server ? OnServerExecute(server, lParam) : 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The setup dialog's part of the conversation: acknowledgements in, the cancel command noted.
// Wine's explorer is told apart when a test needs no server at all.
std::vector<WPARAM> ClientCommands;
bool HearOnlyThisProcess = false;

bool FromThisProcess(WPARAM server) {
    DWORD process = 0;
    GetWindowThreadProcessId(reinterpret_cast<HWND>(server), &process);
    return process == GetCurrentProcessId();
}

LRESULT CALLBACK ClientProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DDE_ACK: return HearOnlyThisProcess && !FromThisProcess(wParam) ? 0 : OnProgmanAck(window, wParam, lParam);
    case WM_COMMAND: ClientCommands.push_back(wParam); return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void RegisterClasses() {
    static bool registered = false;
    if (registered)
        return;
    WNDCLASSA windowClass = {};
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpfnWndProc = ServerProc;
    windowClass.lpszClassName = ServerClass;
    RegisterClassA(&windowClass);
    windowClass.lpfnWndProc = ClientProc;
    windowClass.lpszClassName = ClientClass;
    RegisterClassA(&windowClass);
    registered = true;
}

class ProgmanConversation : public testing::Test {
protected:
    void SetUp() override {
        RegisterClasses();
        ResetProgmanConversation();
        ClientCommands.clear();
        HearOnlyThisProcess = false;
        client_ = CreateWindowExA(0, ClientClass, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, client_);
    }
    void TearDown() override {
        for (TestServer& server : servers_)
            DestroyWindow(server.window);
        DestroyWindow(client_);
        // Whatever a test left posted must not reach the next one.
        PumpFor(50);
    }
    TestServer& AddServer() {
        servers_.emplace_back();
        TestServer& server = servers_.back();
        server.window =
            CreateWindowExA(WS_EX_TOPMOST, ServerClass, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        SetWindowLongPtrA(server.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&server));
        return server;
    }
    // Sends the dialog an acknowledgement as a server would, outside any broadcast.
    void SendAck(HWND server, LPARAM lParam) {
        SendMessageA(client_, WM_DDE_ACK, reinterpret_cast<WPARAM>(server), lParam);
    }
    bool Cancelled() const { return ClientCommands == std::vector<WPARAM>{IDCANCEL}; }

    HWND client_ = nullptr;
    std::deque<TestServer> servers_; // the windows point at their entries: no moves
};
} // namespace

TEST_F(ProgmanConversation, ServerGetsTheGroupCommandsAndItsAcknowledgementEndsTheDialog) {
    TestServer& server = AddServer();
    StartProgmanConversation(client_, "C:\\LUDRA47");

    // The acceptance came during the broadcast: the block is already on its way.
    EXPECT_EQ(static_cast<int>(WM_DDE_EXECUTE), DdeState);
    EXPECT_EQ(server.window, DdeServer);
    const HGLOBAL block = DdeCommandBlock;
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(DdeCommandBlockSize, GlobalSize(block));

    ASSERT_TRUE(PumpUntil(PumpLimitMs, [&] { return Cancelled(); }));
    EXPECT_EQ(1, server.executes);
    EXPECT_EQ(181u, server.commands.size());
    EXPECT_EQ(DefaultFolderCommands, server.commands);

    // Clean-up: block released, atoms given back, the cancel id posted once.
    EXPECT_EQ(nullptr, DdeCommandBlock);
    EXPECT_EQ(nullptr, DdeCommandText);
    EXPECT_EQ(nullptr, DdeServer);
    EXPECT_EQ(0, AppAtom);
    EXPECT_EQ(0, TopicAtom);
    EXPECT_EQ(static_cast<int>(WM_DDE_EXECUTE), DdeState);

    // A repeated acknowledgement frees nothing twice and ends nothing twice.
    server.Acknowledge();
    PumpFor(100);
    EXPECT_TRUE(Cancelled());
}

TEST_F(ProgmanConversation, OnlyTheFirstServerToAnswerGetsTheBlock) {
    TestServer& first = AddServer();
    TestServer& second = AddServer();
    first.acknowledgeCommands = false;
    second.acknowledgeCommands = false;
    StartProgmanConversation(client_, "C:\\LUDRA47");

    ASSERT_TRUE(DdeServer == first.window || DdeServer == second.window);
    TestServer& receiver = DdeServer == first.window ? first : second;
    TestServer& other = DdeServer == first.window ? second : first;
    EXPECT_NE(nullptr, other.client) << "both servers answered the initiate";
    ASSERT_TRUE(PumpUntil(PumpLimitMs, [&] { return receiver.executes == 1; }));
    PumpFor(100);
    EXPECT_EQ(0, other.executes);
    const HGLOBAL block = DdeCommandBlock;

    // The other server's acknowledgement is not the one the block waits for.
    const LPARAM stray = PackDDElParam(WM_DDE_ACK, AckPositive, reinterpret_cast<UINT_PTR>(block));
    SendAck(other.window, stray);
    FreeDDElParam(WM_DDE_ACK, stray);
    EXPECT_EQ(block, DdeCommandBlock);
    EXPECT_EQ(DdeCommandBlockSize, GlobalSize(block));
    EXPECT_EQ(DefaultFolderCommands, DdeCommandText);
    PumpFor(100);
    EXPECT_TRUE(ClientCommands.empty());

    receiver.Acknowledge();
    ASSERT_TRUE(PumpUntil(PumpLimitMs, [&] { return Cancelled(); }));
    EXPECT_EQ(nullptr, DdeCommandBlock);
}

TEST_F(ProgmanConversation, InitiateAcknowledgementWithOtherAtomsIsIgnored) {
    TestServer& server = AddServer();
    const ATOM other = GlobalAddAtomA("LudraNotProgman");
    DdeState = WM_DDE_INITIATE;
    AppAtom = GlobalAddAtomA("Progman");
    TopicAtom = GlobalAddAtomA("Progman");

    SendAck(server.window, MAKELPARAM(other, TopicAtom));
    SendAck(server.window, MAKELPARAM(AppAtom, other));
    SendAck(server.window, MAKELPARAM(other, other));
    PumpFor(100);
    EXPECT_EQ(0, server.executes);
    EXPECT_EQ(nullptr, DdeCommandBlock);
    EXPECT_EQ(static_cast<int>(WM_DDE_INITIATE), DdeState);

    GlobalDeleteAtom(AppAtom);
    GlobalDeleteAtom(TopicAtom);
    GlobalDeleteAtom(other);
}

// Nobody took the commands: the conversation ends with the broadcast, and an acceptance that
// comes later starts nothing.
TEST_F(ProgmanConversation, WithoutAServerTheConversationEndsWithTheBroadcast) {
    HearOnlyThisProcess = true;
    StartProgmanConversation(client_, "C:\\LUDRA47");
    EXPECT_EQ(0, DdeState);
    EXPECT_EQ(0, AppAtom);
    EXPECT_EQ(0, TopicAtom);
    TestServer& late = AddServer();
    const ATOM progman = GlobalAddAtomA("Progman");
    SendAck(late.window, MAKELPARAM(progman, progman));
    PumpFor(100);
    EXPECT_EQ(0, late.executes);
    EXPECT_EQ(nullptr, DdeCommandBlock);
    GlobalDeleteAtom(progman);
}

TEST_F(ProgmanConversation, AcknowledgementWithoutConversationIsIgnored) {
    TestServer& server = AddServer();
    const ATOM progman = GlobalAddAtomA("Progman");
    SendAck(server.window, MAKELPARAM(progman, progman));
    const LPARAM packed = PackDDElParam(WM_DDE_ACK, AckPositive, 0);
    SendAck(server.window, packed);
    FreeDDElParam(WM_DDE_ACK, packed);
    PumpFor(100);
    EXPECT_EQ(0, DdeState);
    EXPECT_EQ(0, server.executes);
    EXPECT_EQ(nullptr, DdeCommandBlock);
    EXPECT_TRUE(ClientCommands.empty());
    GlobalDeleteAtom(progman);
}
