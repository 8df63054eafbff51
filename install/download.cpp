// TEMPORARY placeholder until the install steps land: the sequence stops after the folder,
// without claiming success.
#include "install/download.h"
#include "install/extract.h"
#include "install/ini_config.h"
#include "install/progman_dde.h"
#include "install/shortcut.h"
char PackagePath[PackagePathSize] = {};
int DownloadDemoPackage(HWND, const char*) { return -1; }
int ConfigureIniFromInf(const char*, const char*, const char*) { return 0; }
void ApplyIniEntry(const char*, const char*, const char*, const char*) {}
int ReadDesktopFolder(char*) { return -1; }
HRESULT CreateDesktopShortcut(const char*, const char*, const char*, const char*) { return E_FAIL; }
int DdeState = 0;
ATOM AppAtom = 0;
ATOM TopicAtom = 0;
HGLOBAL DdeCommandBlock = nullptr;
char* DdeCommandText = nullptr;
HWND DdeServer = nullptr;
void ResetProgmanConversation() {}
void StartProgmanConversation(HWND) {}
INT_PTR OnProgmanAck(HWND, WPARAM, LPARAM) { return TRUE; }
void ExtractPackage(BSTR, BSTR) {}
