// The Program Manager conversation that creates, or removes, the product's program group.
#pragma once

#include <windows.h>

void ResetProgmanConversation();
// Broadcasts WM_DDE_INITIATE for "Progman"; the server's answer arrives during the broadcast and
// gets the group commands for folder (copied: the caller's buffer need not outlive the call).
void StartProgmanConversation(HWND dialog, const char* folder);
// The same conversation for [DeleteGroup("group")], carried by window.
void StartProgmanDeleteGroup(HWND window, const char* group);
// True once no server holds the commands: the last conversation was acknowledged, or none accepted.
bool ProgmanConversationOver();
// WM_DDE_ACK of the window that carries the conversation (it is then posted WM_COMMAND IDCANCEL);
// returns TRUE.
INT_PTR OnProgmanAck(HWND dialog, WPARAM wParam, LPARAM lParam);
