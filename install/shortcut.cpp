// Finds the user's Desktop folder and writes the product's shortcut through the shell link object,
// wide from the folder to the saved file: a Desktop may lie outside the ANSI code page.
#include "install/shortcut.h"

#include <objbase.h>
#include <shlobj.h>
#include <knownfolders.h>

#include <cwchar>

#include "base/com_handles.h"
#include "base/kernel_handles.h"
#include "base/unique_handle.h"

namespace {
constexpr const wchar_t* ShellFoldersKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const wchar_t* DesktopValue = L"Desktop";
// The shortcut's ANSI texts: the program in the installation folder, the folder, the description.
constexpr int LinkTextSize = 512;

// The shell hands out its known folders in memory the caller frees with CoTaskMemFree.
struct TaskTextTraits : NullIsEmpty<PWSTR> {
    static bool Release(Handle text) {
        CoTaskMemFree(text);
        return true;
    }
};
using TaskText = UniqueHandle<TaskTextTraits>;

bool IsFolder(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The value the product always used, read wide: an ANSI read turns a character outside the code
// page into '?' or a look-alike. It is a copy the shell keeps for old programs and can be stale,
// so it counts only when the folder is there.
bool ReadShellFoldersDesktop(wchar_t* folder) {
    RegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ShellFoldersKey, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    // One character is kept back for a terminator the registry may not have stored.
    DWORD size = (ShortcutPathSize - 1) * sizeof(wchar_t);
    if (RegQueryValueExW(key.get(), DesktopValue, nullptr, &type, reinterpret_cast<BYTE*>(folder), &size) !=
        ERROR_SUCCESS)
        return false;
    folder[size / sizeof(wchar_t)] = L'\0';
    return type == REG_SZ && folder[0] != L'\0' && IsFolder(folder);
}

// The shell's own answer, which follows a Desktop moved elsewhere (another drive, OneDrive). Without
// KF_FLAG_DONT_VERIFY the shell fails for a folder that is not there.
bool ReadKnownDesktop(wchar_t* folder) {
    TaskText path;
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, path.out());
    if (FAILED(result)) {
        SetLastError(HRESULT_FACILITY(result) == FACILITY_WIN32 ? static_cast<DWORD>(HRESULT_CODE(result))
                                                                : ERROR_PATH_NOT_FOUND);
        return false;
    }
    const size_t length = std::wcslen(path.get());
    if (length >= ShortcutPathSize) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::wmemcpy(folder, path.get(), length + 1);
    return true;
}

bool WidenText(const char* text, wchar_t* wide) {
    return MultiByteToWideChar(CP_ACP, 0, text, -1, wide, LinkTextSize) != 0;
}
} // namespace

int ReadDesktopFolder(wchar_t* buffer) {
    // A buffer of its own, so the caller's stays untouched on failure.
    wchar_t folder[ShortcutPathSize] = {};
    if (!ReadShellFoldersDesktop(folder) && !ReadKnownDesktop(folder))
        return -1;
    std::wmemcpy(buffer, folder, ShortcutPathSize);
    return 0;
}

HRESULT CreateDesktopShortcut(const char* target, const wchar_t* shortcutPath, const char* description,
                              const char* workingFolder) {
    wchar_t wideTarget[LinkTextSize];
    wchar_t wideDescription[LinkTextSize];
    wchar_t wideFolder[LinkTextSize];
    if (!WidenText(target, wideTarget) || !WidenText(description, wideDescription) ||
        !WidenText(workingFolder, wideFolder))
        return HRESULT_FROM_WIN32(GetLastError());

    ComRef<IShellLinkW> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.outVoid());
    if (FAILED(result))
        return result;
    result = link->SetPath(wideTarget);
    if (SUCCEEDED(result))
        result = link->SetDescription(wideDescription);
    if (SUCCEEDED(result))
        result = link->SetWorkingDirectory(wideFolder);
    if (FAILED(result))
        return result;

    ComRef<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.outVoid());
    if (FAILED(result))
        return result;
    return file->Save(shortcutPath, TRUE);
}

HRESULT ReadShortcutTarget(const wchar_t* shortcutPath, wchar_t* target, size_t targetSize) {
    ComRef<IShellLinkW> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.outVoid());
    if (FAILED(result))
        return result;
    ComRef<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.outVoid());
    if (SUCCEEDED(result))
        result = file->Load(shortcutPath, STGM_READ);
    if (SUCCEEDED(result))
        result = link->GetPath(target, static_cast<int>(targetSize), nullptr, SLGP_RAWPATH);
    return result;
}
