// Unpacks the package into the installation folder: through the shell where it can open the
// archive as a folder, otherwise with the built-in unpacker.
#pragma once

#include <windows.h>
#include <oleauto.h>

void ExtractPackage(BSTR archivePath, BSTR folder);
