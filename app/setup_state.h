// The setup dialog's state: the folder, the screen class, its texts, background and cursors.
#pragma once

#include <windows.h>

#include <array>

#include "app/setup_dialog.h"

extern std::array<char, InstallDirSize> InstallDir;
extern int ScreenClass;
extern std::array<char, SetupInfPathSize> SetupInfPath;
extern std::array<char, MessageTextSize> MessageText;
extern HBITMAP DialogBackground;
extern ColumnTable SetupColumnTable;
extern HCURSOR WaitCursor;
extern HCURSOR SavedCursor;
