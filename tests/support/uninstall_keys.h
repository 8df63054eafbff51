// The installed programs' list under HKCU as the tests read it: a value of an entry, whether an
// entry is there, and the removal of every Ludra47 entry (the tests share one Wine prefix).
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

constexpr char UninstallListKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

inline std::string UninstallEntryKey(const char* entry) {
    return std::string(UninstallListKey) + "\\" + entry;
}

// "<type>:<text or number>", or "missing".
inline std::string UninstallValue(const char* entry, const char* name) {
    char data[1024] = {};
    DWORD type = 0;
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_CURRENT_USER, UninstallEntryKey(entry).c_str(), name, RRF_RT_ANY, &type, data, &size))
        return "missing";
    DWORD number = 0;
    std::memcpy(&number, data, sizeof number);
    return std::to_string(type) + ":" + (type == REG_DWORD ? std::to_string(number) : std::string(data));
}

inline bool UninstallEntryExists(const char* entry) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, UninstallEntryKey(entry).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

inline void DeleteUninstallEntries() {
    HKEY list = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, UninstallListKey, 0, KEY_READ | KEY_WRITE, &list) != ERROR_SUCCESS)
        return;
    std::vector<std::string> ours;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(list, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (std::string(name).rfind("Ludra47", 0) == 0)
            ours.push_back(name);
    }
    for (const std::string& key : ours)
        RegDeleteKeyA(list, key.c_str());
    RegCloseKey(list);
}
