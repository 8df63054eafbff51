// The run's log: a named file replaced, numbered logs in the temporary folder that never replace
// one another, each line after the local time with CRLF, the trail's lines in it once each, and a
// log that cannot be made saying why.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

#include "install/failure_trail.h"
#include "base/setup_log.h"
#include "support/files.h"
#include "support/scratch_folder.h"

namespace {

TEST(SetupLog, LinesCarryTheTimeAndTheTrailAndANamedLogIsReplaced) {
    ScratchFolder scratch("setup-log");
    const std::string path = scratch / "install.log";
    ASSERT_TRUE(WriteWholeFile(path, "an older log that is replaced\r\n"));
    ASSERT_TRUE(OpenSetupLog(path.c_str()));
    EXPECT_EQ(std::string(SetupLogPath()), path);
    LogLine("Mode: very silent\n");
    SetLastError(ERROR_ACCESS_DENIED);
    LeaveFailureTrail({"download", 12029, 0, 0, 0, "direct"});
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << "the log changed the caller's error";
    LogLine(std::string(2000, 'x').c_str());
    // Written at once: the file holds every line while the log is still open.
    const std::string text = ReadWholeFile(path);
    CloseSetupLog();
    LogLine("after the close");
    const std::string stamp = "\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3} ";
    EXPECT_TRUE(std::regex_match(
        text, std::regex(stamp + "Mode: very silent\r\n" + stamp +
                         "Ludra Setup: download failed \\(direct\\): error 12029, HTTP status 0, 0 bytes received, "
                         "0 resumes\r\n" +
                         stamp + "x{900,}\r\n")))
        << text;
    EXPECT_EQ(ReadWholeFile(path), text) << "a line was written after the close";
    EXPECT_STREQ(SetupLogPath(), "");
}

TEST(SetupLog, NumberedLogsNeverReplaceOneAnotherAndAFailedOneSaysWhy) {
    ScratchFolder scratch("setup-log-numbered");
    TemporaryFolder temporary(scratch.path());
    SYSTEMTIME now;
    GetLocalTime(&now);
    char today[16];
    std::snprintf(today, sizeof today, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
    for (const char* number : {"#001", "#002"}) {
        ASSERT_TRUE(OpenSetupLog(nullptr));
        EXPECT_EQ(std::string(SetupLogPath()),
                  scratch / ("Ludra Setup Log " + std::string(today) + " " + number + ".txt"));
        CloseSetupLog();
    }
    EXPECT_FALSE(OpenSetupLog((scratch / "no such folder\\install.log").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_STREQ(SetupLogPath(), "");
}

} // namespace
