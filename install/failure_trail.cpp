// The failure trail: one debug-output line per failed step.
#include "install/failure_trail.h"

#include <cinttypes>
#include <cstdio>

#include "base/setup_log.h"

void FormatFailureTrail(const FailureTrail& trail, char* line, size_t lineSize) {
    std::snprintf(line, lineSize,
                  "Ludra Setup: %s failed%s%s%s: error %lu, HTTP status %lu, %" PRIu64 " bytes received, %u resumes\n",
                  trail.step ? trail.step : "", trail.cause ? " (" : "", trail.cause ? trail.cause : "",
                  trail.cause ? ")" : "", static_cast<unsigned long>(trail.error),
                  static_cast<unsigned long>(trail.httpStatus), trail.received, trail.resumes);
}

void LeaveTrailLine(const char* line) {
    // The line must not change the error a caller still reads.
    const DWORD error = GetLastError();
    OutputDebugStringA(line);
    LogLine(line);
    SetLastError(error);
}

void LeaveFailureTrail(const FailureTrail& trail) {
    char line[FailureTrailSize];
    FormatFailureTrail(trail, line, sizeof line);
    LeaveTrailLine(line);
}
