// The log of a run, when the command line asks for one: plain text in the ANSI code page with CRLF
// line ends, each line after the local time (YYYY-MM-DD HH:MM:SS.mmm). Every line is written at
// once with WriteFile and no buffer of the program's own, so a process that is killed leaves every
// line written so far. The failure trail feeds it: each trail line reaches the log too, as does
// each message box of a step.
#pragma once

#include <cstddef>

constexpr size_t SetupLogPathSize = 260;

// Opens the log at path, replacing a file of that name; with path null or empty, the first free
// "%TEMP%\Ludra Setup Log YYYY-MM-DD #NNN.txt", so that no log is ever replaced. False when no
// log can be made, with the last error saying why; the run goes on without one.
bool OpenSetupLog(const char* path);
// The open log's path; empty when there is none.
const char* SetupLogPath();
// One line of text (its own final line end dropped); nothing without a log. The caller's last
// error survives it.
void LogLine(const char* text);
void CloseSetupLog();
