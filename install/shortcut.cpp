// Finds the user's Desktop folder and writes the product's shortcut through the shell link object.
#include "install/shortcut.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstring>

#include "base/kernel_handles.h"
#include "base/com_handles.h"

namespace {
constexpr const char* ShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* DesktopValue = "Desktop";
constexpr int WidePathSize = 260;

} // namespace

int ReadDesktopFolder(char* buffer) {
    RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ShellFoldersKey, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS)
        return -1;

    // The value goes through a buffer of its own, so the caller's stays untouched on failure,
    // and one byte is kept back for a terminator the registry may not have stored.
    char folder[ShortcutPathSize] = {};
    DWORD type = 0;
    DWORD size = ShortcutPathSize - 1;
    if (RegQueryValueExA(key.get(), DesktopValue, nullptr, &type, reinterpret_cast<BYTE*>(folder), &size) !=
        ERROR_SUCCESS)
        return -1;
    if (type != REG_SZ || folder[0] == '\0')
        return -1;
    std::memcpy(buffer, folder, ShortcutPathSize);
    return 0;
}

HRESULT CreateDesktopShortcut(const char* target, const char* shortcutPath, const char* description,
                              const char* workingFolder) {
    ComRef<IShellLinkA> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.outVoid());
    if (FAILED(result))
        return result;
    link->SetPath(target);
    link->SetDescription(description);
    link->SetWorkingDirectory(workingFolder);

    ComRef<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.outVoid());
    if (FAILED(result))
        return result;
    WCHAR widePath[WidePathSize];
    if (MultiByteToWideChar(CP_ACP, 0, shortcutPath, -1, widePath, WidePathSize) == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    return file->Save(widePath, TRUE);
}
