// The removal of an installation by its record: what it put down goes, as long as the user did
// not change it; everything else stays. Each file removed or kept is a log line.
#pragma once

#include <windows.h>

#include "install/uninstall_record.h"

struct RemovalReport {
    int removed = 0;
    int kept = 0;   // changed since the installation, or never installed by it
    int failed = 0; // unchanged, but could not be removed (in use, denied)
};

// Removes each recorded file of folder whose size and SHA-256 are unchanged; keeps, and logs,
// every changed file and every file the record does not name (the removal's own files aside).
// A file reached through a link to another folder is never touched.
RemovalReport RemoveRecordedFiles(const char* folder, const UninstallRecord& record);
// Removes the shortcut when it still starts folder's LUDRA.EXE. False when it should go and
// could not; a shortcut that is gone, or starts something else, is left and is no failure.
bool RemoveShortcutIfOurs(const char* shortcutPath, const char* folder);
