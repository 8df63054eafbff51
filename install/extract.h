// Unpacks the package into the installation folder: through the shell where it can open the
// archive as a folder, otherwise with the built-in unpacker.
#pragma once

#include <windows.h>
#include <oleauto.h>

// Reports nothing: the installation goes on whatever happened.
void ExtractPackage(BSTR archivePath, BSTR folder);

// The same step for a caller that must know: false, with the reason as the last error, when the
// package is refused before unpacking (not a readable zip, overlapping entries, more than the
// size limit or the free space), when the built-in unpacker failed, or when the folder the
// shell's copy left lacks an entry of the archive or holds one of another size; true otherwise.
// A source the shell opens that is a folder, not an archive, is left to the shell alone (true).
bool ExtractPackageChecked(BSTR archivePath, BSTR folder);
