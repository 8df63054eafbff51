// Downloads the product package into the installation folder, unpacks it and deletes it.
#pragma once

#include <windows.h>

constexpr DWORD PackageSize = 39057124;
constexpr size_t PackagePathSize = 260;

extern char PackagePath[PackagePathSize];

// 0: received and unpacked; non-zero: failed or cancelled (its own message already shown).
int DownloadDemoPackage(HWND owner, const char* folder);
