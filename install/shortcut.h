// The Desktop shortcut to the product's program.
#pragma once

#include <windows.h>

// Wide characters, for the Desktop folder and the shortcut's path in it.
constexpr size_t ShortcutPathSize = 260;

// The user's Desktop into buffer (ShortcutPathSize wide characters): the legacy "Shell Folders"
// value when it names a folder that is there, else the folder the shell knows as the Desktop.
// 0, or -1 with the buffer untouched and the last error saying why.
int ReadDesktopFolder(wchar_t* buffer);
// target, description and workingFolder are ANSI texts; the shortcut is saved at shortcutPath.
HRESULT CreateDesktopShortcut(const char* target, const wchar_t* shortcutPath, const char* description,
                              const char* workingFolder);
// The program a saved shortcut starts, as saved, into target (targetSize wide characters).
HRESULT ReadShortcutTarget(const wchar_t* shortcutPath, wchar_t* target, size_t targetSize);
