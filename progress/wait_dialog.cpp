// TEMPORARY placeholder until the wait dialog lands.
#include "progress/wait.h"
INT_PTR CALLBACK WaitDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
