// TEMPORARY placeholder until this installation step lands.
#include "install/shortcut.h"
int ReadDesktopFolder(char*) { return -1; }
HRESULT CreateDesktopShortcut(const char*, const char*, const char*, const char*) { return E_FAIL; }
