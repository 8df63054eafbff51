// The Program Manager conversation's state, internal to install/.
#pragma once

#include <windows.h>

extern int DdeState;
extern ATOM AppAtom;
extern ATOM TopicAtom;
extern HGLOBAL DdeCommandBlock;
extern char* DdeCommandText;
// The server that received the command block; only its acknowledgement releases the block.
extern HWND DdeServer;
