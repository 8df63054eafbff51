// The Desktop shortcut to the product's program.
#pragma once

#include <windows.h>

constexpr size_t ShortcutPathSize = 260;

// 0 when the Shell Folders key could be read (buffer of ShortcutPathSize bytes), -1 if not.
int ReadDesktopFolder(char* buffer);
HRESULT CreateDesktopShortcut(const char* target, const char* shortcutPath, const char* description,
                              const char* workingFolder);
