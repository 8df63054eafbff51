// What the command line asks of this run, read once at start-up: the mode, a folder to propose and
// a log. Started without arguments, the program runs as it always did.
#pragma once

#include <windows.h>

#include "app/command_line.h"

extern CommandLine StartCommand;

// Reads the command line (without the program's name). False when nothing is to be installed:
// exitCode then says how the run ends, and the usage box has been shown unless a silent mode was
// asked for.
bool ReadStartCommand(const char* text, int* exitCode);
// Silent or very silent: nobody answers a message box.
bool UnattendedRun();
// Opens the log the command line asks for and writes what a support desk reads first. A log that
// cannot be made leaves its trail line and the run goes on.
void BeginRunLog(const char* text);
// The run's exit code, the log's last line.
int EndRun(int exitCode);
// The installation's exit code: how the sequence ended in a silent mode, the main loop's otherwise.
int InstallExitCode(int loopCode);
// The setup dialog as the template makes it but never shown, for the silent modes: the same
// procedure, the same proposed folder. Null if it cannot be made.
HWND CreateHiddenSetupDialog(HWND owner);
