// TEMPORARY placeholder until the status bar lands.
#include "skin/panel.h"
int StatusPercent = 0;
char StatusText[StatusTextSize] = {};
LOGFONTA StatusFont = {};
LRESULT CALLBACK StatusBarProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return CallStaticClassProc(w, m, wp, lp); }
