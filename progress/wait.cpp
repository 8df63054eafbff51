// TEMPORARY placeholder until the wait lands.
#include "progress/wait.h"
HWND WaitOwner = nullptr;
HINSTANCE WaitInstance = nullptr;
std::array<char, WaitTitleSize> WaitTitle = {};
HWND WaitDialog = nullptr;
int WaitActive = 0;
int WaitCancelled = 0;
HBRUSH PanelBrush = nullptr;
std::array<char, AnimationSpecSize> AnimationSpec = {};
void BeginWait(HINSTANCE, HWND, const char*) {}
void EndWait() {}
int SetWaitItemText(int, const char*) { return 1; }
int SetWaitStatus(const char*) { return 1; }
int SetWaitDetail(const char*) { return 1; }
int SetWaitPercent(int) { return 1; }
int PumpMessages() { return 0; }
