// TEMPORARY placeholder until this installation step lands.
#include "install/download.h"
char PackagePath[PackagePathSize] = {};
int DownloadDemoPackage(HWND, const char*) { return -1; }
