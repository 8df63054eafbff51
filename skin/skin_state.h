// State of the skinned controls, internal to skin/: the status bar's percentage, label text and
// font, and the bitmap buttons' label font.
#pragma once

#include <windows.h>

#include "skin/status_bar.h"

extern int StatusPercent;
extern char StatusText[StatusTextSize];
extern LOGFONTA StatusFont;
extern LOGFONTA ButtonLabelFont;
