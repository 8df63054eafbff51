// The Program Manager conversation that creates the product's program group.
#pragma once

#include <windows.h>

extern int DdeState;
extern ATOM AppAtom;
extern ATOM TopicAtom;
extern HGLOBAL DdeCommandBlock;
extern char* DdeCommandText;
// The server that received the command block; only its acknowledgement releases the block.
extern HWND DdeServer;

void ResetProgmanConversation();
// Broadcasts WM_DDE_INITIATE for "Progman"; the server's answer arrives during the broadcast and
// gets the group commands for folder (copied: the caller's buffer need not outlive the call).
void StartProgmanConversation(HWND dialog, const char* folder);
// WM_DDE_ACK of the setup dialog; returns TRUE.
INT_PTR OnProgmanAck(HWND dialog, WPARAM wParam, LPARAM lParam);
