// Writes and deletes the product's keys under HKCU's Uninstall key with the ANSI registry functions:
// one key per installation folder, so that each installation has its own line in the list.
#include "install/uninstall_entry.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "base/kernel_handles.h"
#include "base/strings.h"

namespace {
constexpr const char* UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* LocationValue = "InstallLocation";
constexpr const char* UninstallerName = "LDUNINST.EXE";
constexpr const char* ProductName = "Ludra 4.7";
constexpr int EntryLimit = 100;
// The longest text written is the quiet uninstall command around a folder of MAX_PATH - 1 characters.
constexpr size_t EntryTextSize = MAX_PATH + 64;
constexpr size_t DateSize = 9; // YYYYMMDD
constexpr uint64_t SizeLimitKb = 0xFFFFFFFF;

// What a subkey is to an installation in a given folder.
enum class Slot { Free, Own, Abandoned, Alive };

struct EntryTexts {
    char displayName[EntryTextSize];
    char icon[EntryTextSize];
    char uninstall[EntryTextSize];
    char quietUninstall[EntryTextSize];
    char date[DateSize];
};

struct TextValue {
    const char* name;
    const char* text;
};

struct NumberValue {
    const char* name;
    DWORD number;
};

bool Fail(LONG status) {
    SetLastError(static_cast<DWORD>(status));
    return false;
}

void EntryKeyName(int n, char (&name)[UninstallKeyNameSize]) {
    if (n == 1)
        CopyBounded(name, "Ludra47");
    else
        snprintf(name, sizeof name, "Ludra47 (%d)", n);
}

// A stored REG_SZ may lack its terminator, so one byte is kept back for it.
bool ReadText(HKEY key, const char* value, char* text, DWORD size) {
    DWORD type = 0;
    DWORD stored = size - 1;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(text), &stored) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    text[stored] = '\0';
    return true;
}

// As the file system compares names: ordinal, without the user's language rules.
bool SameFolder(const char* a, const char* b) {
    wchar_t wideA[MAX_PATH];
    wchar_t wideB[MAX_PATH];
    return MultiByteToWideChar(CP_ACP, 0, a, -1, wideA, MAX_PATH) != 0 &&
           MultiByteToWideChar(CP_ACP, 0, b, -1, wideB, MAX_PATH) != 0 &&
           CompareStringOrdinal(wideA, -1, wideB, -1, TRUE) == CSTR_EQUAL;
}

// Only a folder that is plainly not there counts as deleted: a drive that is offline or a folder
// that cannot be read may still hold the installation.
bool InstallationIsGone(const char* folder) {
    char path[EntryTextSize];
    if (JoinPath(folder, UninstallerName, path, sizeof path) != 0)
        return true;
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

Slot ExamineSlot(HKEY root, const char* name, const char* folder) {
    RegKey key;
    const LONG status = RegOpenKeyExA(root, name, 0, KEY_QUERY_VALUE, key.out());
    if (status == ERROR_FILE_NOT_FOUND)
        return Slot::Free;
    // A key that cannot be read is left to whoever made it.
    if (status != ERROR_SUCCESS)
        return Slot::Alive;
    char location[MAX_PATH];
    if (!ReadText(key.get(), LocationValue, location, sizeof location) || location[0] == '\0')
        return Slot::Abandoned;
    if (SameFolder(location, folder))
        return Slot::Own;
    return InstallationIsGone(location) ? Slot::Abandoned : Slot::Alive;
}

// The folder's own key wherever it is, else the first free or abandoned one, so that a reinstalled
// folder never shows twice; 0 when every name is taken.
int ChooseSlot(HKEY root, const char* folder) {
    int first = 0;
    for (int n = 1; n <= EntryLimit; ++n) {
        char name[UninstallKeyNameSize];
        EntryKeyName(n, name);
        const Slot slot = ExamineSlot(root, name, folder);
        if (slot == Slot::Own)
            return n;
        if (first == 0 && slot != Slot::Alive)
            first = n;
    }
    return first;
}

void MakeTexts(int n, const char* folder, EntryTexts& texts) {
    // Every key but the first names its folder, so that the list tells the installations apart.
    if (n == 1)
        CopyBounded(texts.displayName, ProductName);
    else
        snprintf(texts.displayName, sizeof texts.displayName, "%s (%s)", ProductName, folder);
    snprintf(texts.icon, sizeof texts.icon, "%s\\LUDRA.EXE,0", folder);
    snprintf(texts.uninstall, sizeof texts.uninstall, "\"%s\\%s\" /UNINSTALL", folder, UninstallerName);
    snprintf(texts.quietUninstall, sizeof texts.quietUninstall, "\"%s\\%s\" /UNINSTALL /VERYSILENT", folder,
             UninstallerName);
    SYSTEMTIME now;
    GetLocalTime(&now);
    snprintf(texts.date, sizeof texts.date, "%04u%02u%02u", static_cast<unsigned>(now.wYear),
             static_cast<unsigned>(now.wMonth), static_cast<unsigned>(now.wDay));
}

DWORD SizeInKb(uint64_t bytes) {
    const uint64_t kb = bytes / 1024 + (bytes % 1024 != 0 ? 1 : 0);
    return static_cast<DWORD>(kb < SizeLimitKb ? kb : SizeLimitKb);
}

LONG WriteValues(HKEY key, int n, const UninstallEntry& entry) {
    EntryTexts texts = {};
    MakeTexts(n, entry.folder, texts);
    const TextValue textValues[] = {{"DisplayName", texts.displayName},
                                    {"DisplayVersion", "4.7"},
                                    {"Publisher", "Ludra"},
                                    {LocationValue, entry.folder},
                                    {"DisplayIcon", texts.icon},
                                    {"UninstallString", texts.uninstall},
                                    {"InstallDate", texts.date},
                                    {"QuietUninstallString", texts.quietUninstall}};
    for (const TextValue& value : textValues) {
        const LONG status = RegSetValueExA(key, value.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.text),
                                           static_cast<DWORD>(std::strlen(value.text) + 1));
        if (status != ERROR_SUCCESS)
            return status;
    }
    const NumberValue numberValues[] = {
        {"NoModify", 1}, {"NoRepair", 1}, {"EstimatedSize", SizeInKb(entry.installedBytes)}};
    for (const NumberValue& value : numberValues) {
        const LONG status = RegSetValueExA(key, value.name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value.number),
                                           sizeof value.number);
        if (status != ERROR_SUCCESS)
            return status;
    }
    return ERROR_SUCCESS;
}

LONG WriteEntryKey(HKEY root, const char* name, int n, const UninstallEntry& entry) {
    RegKey key;
    const LONG status =
        RegCreateKeyExA(root, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.out(), nullptr);
    return status == ERROR_SUCCESS ? WriteValues(key.get(), n, entry) : status;
}
} // namespace

bool RegisterUninstallEntry(const UninstallEntry& entry, char* keyName, size_t keyNameSize) {
    if (!entry.folder || !entry.folder[0] || (keyName && keyNameSize < UninstallKeyNameSize))
        return Fail(ERROR_INVALID_PARAMETER);
    if (std::strlen(entry.folder) >= MAX_PATH)
        return Fail(ERROR_FILENAME_EXCED_RANGE);
    RegKey root;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, UninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_READ | KEY_WRITE, nullptr, root.out(), nullptr);
    if (status != ERROR_SUCCESS)
        return Fail(status);
    const int n = ChooseSlot(root.get(), entry.folder);
    if (n == 0)
        return Fail(ERROR_NO_MORE_ITEMS);
    char name[UninstallKeyNameSize];
    EntryKeyName(n, name);
    // Made afresh, so that no value of a former owner stays beside the new ones.
    status = RegDeleteKeyA(root.get(), name);
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)
        status = WriteEntryKey(root.get(), name, n, entry);
    if (status != ERROR_SUCCESS) {
        RegDeleteKeyA(root.get(), name); // the key as far as it was written; a failure here leaves it as it was
        return Fail(status);
    }
    if (keyName)
        CopyBounded(keyName, keyNameSize, name);
    return true;
}

bool RemoveUninstallEntry(const char* folder) {
    if (!folder || !folder[0])
        return Fail(ERROR_INVALID_PARAMETER);
    RegKey root;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, UninstallKey, 0, KEY_READ, root.out());
    if (status == ERROR_FILE_NOT_FOUND)
        return true;
    if (status != ERROR_SUCCESS)
        return Fail(status);
    LONG failure = ERROR_SUCCESS;
    for (int n = 1; n <= EntryLimit; ++n) {
        char name[UninstallKeyNameSize];
        EntryKeyName(n, name);
        if (ExamineSlot(root.get(), name, folder) != Slot::Own)
            continue;
        status = RegDeleteKeyA(root.get(), name);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
            failure = status;
    }
    return failure == ERROR_SUCCESS || Fail(failure);
}
