// The process-wide state of the setup: the installation folder and the screen class, which every
// step reads.
#pragma once

#include <windows.h>

#include <array>

#include "app/setup_dialog.h"

extern std::array<char, InstallDirSize> InstallDir;
extern int ScreenClass;
