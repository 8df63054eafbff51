// TEMPORARY placeholder until this installation step lands.
#include "install/progman_dde.h"
int DdeState = 0;
ATOM AppAtom = 0;
ATOM TopicAtom = 0;
HGLOBAL DdeCommandBlock = nullptr;
char* DdeCommandText = nullptr;
HWND DdeServer = nullptr;
void ResetProgmanConversation() {}
void StartProgmanConversation(HWND) {}
INT_PTR OnProgmanAck(HWND, WPARAM, LPARAM) { return TRUE; }
