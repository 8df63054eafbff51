// Drives the real ldsetup.exe from outside, as a user would: finds its windows, reads and sets
// texts, presses buttons, answers message boxes and waits for its exit. Every wait is bounded.
#pragma once
#include <windows.h>
#include <string>
