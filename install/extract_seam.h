// For the tests only (builds with LUDRA_BUILD_TESTS): where the extraction step takes the shell's
// automation object from and how long it waits for its copy, so that a stand-in for the shell's
// folders can play the copies Windows makes, which Wine's shell cannot.
#pragma once

#include <windows.h>
#include <shldisp.h>

#include "install/extract.h"

using ShellFactory = HRESULT (*)(IShellDispatch** shell);

// Null gives the system's shell object back.
void SetShellFactory(ShellFactory factory);
void SetShellWaitBounds(const ShellWaitBounds& bounds);
