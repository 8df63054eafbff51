// TEMPORARY placeholder until the animation lands.
#include "progress/animation.h"
UINT_PTR AnimationTimer = 0;
LRESULT CALLBACK AnimationProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }
void DrawAnimationFrame(HWND, const char*) {}
