// The DDE conversation with Program Manager, carried by the setup dialog's window: initiate by
// broadcast, the command block to the first server that accepts, clean-up at its acknowledgement.
#include "install/progman_dde.h"
#include "install/progman_dde_state.h"

#include <dde.h>

#include "base/message_params.h"
#include "base/strings.h"
#include "install/dde_command.h"

int DdeState = 0;
ATOM AppAtom = 0;
ATOM TopicAtom = 0;
HGLOBAL DdeCommandBlock = nullptr;
char* DdeCommandText = nullptr;
HWND DdeServer = nullptr;

namespace {
constexpr const char* ProgmanName = "Progman";
constexpr WPARAM CancelCommand = IDCANCEL;
// How long one top-level window may take over the initiate. A hung window is skipped at once.
constexpr UINT InitiateBoundMs = 1000;

// The commands the server that accepts gets, built when the conversation starts.
char PendingCommands[DdeCommandBlockSize] = {};

void DeleteConversationAtoms() {
    GlobalDeleteAtom(AppAtom);
    GlobalDeleteAtom(TopicAtom);
    AppAtom = 0;
    TopicAtom = 0;
}

void ReleaseCommandBlock() {
    if (DdeCommandText)
        GlobalUnlock(DdeCommandBlock);
    GlobalFree(DdeCommandBlock);
    DdeCommandBlock = nullptr;
    DdeCommandText = nullptr;
    DdeServer = nullptr;
}

// The server's acceptance of the initiate: it gets the command block. Later acceptances (another
// server answering the same broadcast) arrive in the next state and get nothing.
void OnInitiateAck(HWND dialog, HWND server, LPARAM lParam) {
    if (LOWORD(lParam) != AppAtom || HIWORD(lParam) != TopicAtom)
        return;
    DdeCommandBlock = GlobalAlloc(GMEM_DDESHARE, DdeCommandBlockSize);
    if (!DdeCommandBlock)
        return;
    DdeCommandText = static_cast<char*>(GlobalLock(DdeCommandBlock));
    if (!DdeCommandText || !CopyBounded(DdeCommandText, DdeCommandBlockSize, PendingCommands)) {
        ReleaseCommandBlock();
        return;
    }
    DdeState = WM_DDE_EXECUTE;
    DdeServer = server;
    // The block stays locked while the server reads it.
    if (!PostMessageA(server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(dialog),
                      reinterpret_cast<LPARAM>(DdeCommandBlock))) {
        ReleaseCommandBlock();
        DdeState = WM_DDE_INITIATE;
    }
}

// The acknowledgement of the commands, told apart by the server that received them.
void OnExecuteAck(HWND dialog, HWND server, LPARAM lParam) {
    if (!DdeServer || server != DdeServer)
        return;
    // The server's reply status is not looked at: the group is the shell's business from here.
    UINT_PTR status = 0;
    UINT_PTR commands = 0;
    UnpackDDElParam(WM_DDE_ACK, lParam, &status, &commands);
    FreeDDElParam(WM_DDE_ACK, lParam);
    ReleaseCommandBlock();
    DeleteConversationAtoms();
    PostMessageA(dialog, WM_COMMAND, CancelCommand, 0);
}
} // namespace

void ResetProgmanConversation() {
    DdeState = 0;
    DdeCommandBlock = nullptr;
    DdeCommandText = nullptr;
    DdeServer = nullptr;
}

namespace {
void StartWithCommands(HWND dialog) {
    DdeState = WM_DDE_INITIATE;
    AppAtom = GlobalAddAtomA(ProgmanName);
    TopicAtom = GlobalAddAtomA(ProgmanName);
    // Every top-level window of the session hears the broadcast, another program's hung one too:
    // each is given a bound. Not SMTO_BLOCK: the server's acknowledgement is a message sent to this
    // thread during the broadcast, which a blocked send would hold back until every bound ran out.
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(dialog),
                        MAKELPARAM(AppAtom, TopicAtom), SMTO_NORMAL | SMTO_ABORTIFHUNG, InitiateBoundMs, &answer);
    // Acceptances arrive only during the broadcast: if none took the commands, the conversation is
    // over and the global atoms must not outlive it.
    if (DdeState == WM_DDE_INITIATE) {
        DeleteConversationAtoms();
        DdeState = 0;
    }
}
} // namespace

void StartProgmanConversation(HWND dialog, const char* folder) {
    if (BuildGroupCommands(folder, PendingCommands, sizeof PendingCommands) >= 0)
        StartWithCommands(dialog);
}

void StartProgmanDeleteGroup(HWND window, const char* group) {
    if (BuildDeleteGroupCommand(group, PendingCommands, sizeof PendingCommands) >= 0)
        StartWithCommands(window);
}

bool ProgmanConversationOver() {
    return DdeState != WM_DDE_INITIATE && !DdeServer;
}

INT_PTR OnProgmanAck(HWND dialog, WPARAM wParam, LPARAM lParam) {
    HWND server = CarriedPointer<HWND>(wParam);
    switch (DdeState) {
    case WM_DDE_INITIATE: OnInitiateAck(dialog, server, lParam); break;
    case WM_DDE_EXECUTE: OnExecuteAck(dialog, server, lParam); break;
    }
    return TRUE;
}
