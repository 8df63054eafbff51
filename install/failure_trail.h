// The one line each failed step of the installation leaves for a support desk, written with
// OutputDebugStringA: any debugger or debug-output viewer shows it; the program keeps no log.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct FailureTrail {
    const char* step = "";
    DWORD error = 0;      // the Win32 or WinINet error code (0: none)
    DWORD httpStatus = 0; // the server's last status (0: no answer, or no download)
    uint64_t received = 0;
    unsigned resumes = 0;
    const char* cause = nullptr; // why the step failed, where its error alone does not tell
};

constexpr size_t FailureTrailSize = 256;

// "Ludra Setup: STEP failed: error E, HTTP status S, N bytes received, R resumes\n" into line;
// with a cause, "STEP failed (CAUSE): ...".
void FormatFailureTrail(const FailureTrail& trail, char* line, size_t lineSize);
void LeaveFailureTrail(const FailureTrail& trail);
// Any other line for the support desk, the same way; the caller's last error survives it.
void LeaveTrailLine(const char* line);
