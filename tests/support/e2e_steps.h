// Steps the end-to-end tests share while they drive the real program from outside.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "harness.h"

// Presses Annulla in the setup dialog: the program ends, with exit code 0.
inline void CancelAndExpectCleanExit(harness::Program& program, HWND dialog) {
    harness::PressButton(dialog, IDCANCEL);
    DWORD exitCode = 99;
    ASSERT_TRUE(program.WaitForExit(harness::DefaultTimeoutMs, &exitCode));
    EXPECT_EQ(0u, exitCode);
}

// The text of the program's next message box, which is then answered with OK; a placeholder text
// when no box came in time.
inline std::string AnswerNextMessageBox(harness::Program& program, DWORD timeoutMs) {
    HWND box = harness::WaitForMessageBox(program.Id(), timeoutMs);
    if (!box)
        return "(no message box)";
    const std::string text = harness::MessageBoxText(box);
    EXPECT_TRUE(harness::AnswerMessageBox(box, IDOK));
    return text;
}
