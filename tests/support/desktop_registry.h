// The profile's Desktop values under HKEY_CURRENT_USER, shaped by a test and put back afterwards.
#pragma once

#include <windows.h>

#include <string>

// The legacy copy the product reads first, and the shell's own value (which it expands).
constexpr const wchar_t* ShellFoldersKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const wchar_t* UserShellFoldersKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The key's "Desktop" text as it was (every Wine prefix has one), written back by Restore and the destructor.
class SavedDesktopValue {
public:
    explicit SavedDesktopValue(const wchar_t* key) : key_(key), type_(REG_SZ), text_() {
        wchar_t text[1024] = {};
        DWORD size = sizeof text;
        if (RegGetValueW(HKEY_CURRENT_USER, key, L"Desktop", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                         &type_, text, &size) == ERROR_SUCCESS)
            text_ = text;
    }
    ~SavedDesktopValue() { Restore(); }
    SavedDesktopValue(const SavedDesktopValue&) = delete;
    SavedDesktopValue& operator=(const SavedDesktopValue&) = delete;

    const std::wstring& SavedText() const { return text_; }
    bool SetText(const std::wstring& text) const {
        const DWORD size = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
        return RegSetKeyValueW(HKEY_CURRENT_USER, key_, L"Desktop", type_, text.c_str(), size) == ERROR_SUCCESS;
    }
    bool Restore() const { return SetText(text_); }

private:
    const wchar_t* key_;
    DWORD type_;
    std::wstring text_;
};
