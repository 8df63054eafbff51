// Unpacks the package into the installation folder: through the shell where it can open the
// archive as a folder, waiting for its copy and finishing what it left undone with the built-in
// unpacker; otherwise with the built-in unpacker alone.
#pragma once

#include <windows.h>
#include <oleauto.h>

// How long the step waits for the shell's copy, which may run on after CopyHere returns: it is
// taken to have stopped once nothing under the archive's names in the folder changed for stallMs,
// and is waited for limitMs at most in all. The folder is looked at every pollMs, the thread's
// windows (the wait dialog) answering meanwhile.
struct ShellWaitBounds {
    DWORD stallMs;
    DWORD limitMs;
    DWORD pollMs;
};
constexpr ShellWaitBounds ShellCopyWait = {5000, 10 * 60 * 1000, 100};

// Reports nothing: the installation goes on whatever happened.
void ExtractPackage(BSTR archivePath, BSTR folder);

// The same step for a caller that must know: false, with the reason as the last error, when the
// package is refused before anything is written (not a readable zip, overlapping entries, more
// than the size limit or the free space, a path past MAX_PATH) or when the built-in unpacker
// failed; true once every entry of the archive is in the folder with its size and CRC-32, whoever
// wrote it. A source the shell opens that is a folder, not an archive, is left to the shell alone
// (true). A debug-output line says how much each unpacker wrote.
bool ExtractPackageChecked(BSTR archivePath, BSTR folder);
