// Steps the end-to-end tests share while they drive the real program from outside.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "harness.h"

// Presses Annulla in the setup dialog: the program ends, with exit code 0.
inline void CancelAndExpectCleanExit(harness::Program& program, HWND dialog) {
    harness::PressButton(dialog, IDCANCEL);
    DWORD exitCode = 99;
    ASSERT_TRUE(program.WaitForExit(harness::DefaultTimeoutMs, &exitCode));
    EXPECT_EQ(0u, exitCode);
}
