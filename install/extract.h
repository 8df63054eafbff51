// Unpacks the package into the installation folder: through the shell where it can open the
// archive as a folder, otherwise with the built-in unpacker.
#pragma once

#include <windows.h>
#include <oleauto.h>

// Reports nothing: the installation goes on whatever happened.
void ExtractPackage(BSTR archivePath, BSTR folder);

// The same step for a caller that must know: 0 when the built-in unpacker ran and failed,
// 1 otherwise (the shell's own copy reports no outcome).
int ExtractPackageChecked(BSTR archivePath, BSTR folder);
