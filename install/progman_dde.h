// The Program Manager conversation that creates the product's program group.
#pragma once

#include <windows.h>

void ResetProgmanConversation();
// Broadcasts WM_DDE_INITIATE for "Progman"; the server's answer arrives during the broadcast and
// gets the group commands for folder (copied: the caller's buffer need not outlive the call).
void StartProgmanConversation(HWND dialog, const char* folder);
// WM_DDE_ACK of the setup dialog; returns TRUE.
INT_PTR OnProgmanAck(HWND dialog, WPARAM wParam, LPARAM lParam);
