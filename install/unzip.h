// The built-in unpacker, for where the shell cannot open a zip archive as a folder.
#pragma once

#include <windows.h>

// Writes every entry of the archive, with its relative folder, under folder: missing folders
// are created, existing files replaced, no question or error dialog is shown. An entry whose
// name would leave the folder (absolute, a drive, "..", a device) is skipped. Each file is
// written under a temporary name and renamed only once complete, so a failure never leaves a
// half-written file under an entry's name.
// Returns 1 when every other entry was written; 0 when the archive is not a readable zip, an
// entry is corrupt or fails its CRC, a path would not fit MAX_PATH, or a write fails.
int UnzipPackage(const wchar_t* archivePath, const wchar_t* folder);
