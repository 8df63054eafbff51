// The user's proxy settings (Internet Settings under HKEY_CURRENT_USER), set by a test to a proxy
// on 127.0.0.1 and removed again afterwards: the test prefix has none of its own.
#pragma once

#include <windows.h>

#include <string>

class SystemProxy {
public:
    explicit SystemProxy(unsigned short port) {
        const std::string server = "127.0.0.1:" + std::to_string(port);
        const DWORD enable = 1;
        set_ = RegSetKeyValueA(HKEY_CURRENT_USER, Key, "ProxyEnable", REG_DWORD, &enable, sizeof enable) ==
                   ERROR_SUCCESS &&
               RegSetKeyValueA(HKEY_CURRENT_USER, Key, "ProxyServer", REG_SZ, server.c_str(),
                               static_cast<DWORD>(server.size() + 1)) == ERROR_SUCCESS;
    }
    ~SystemProxy() {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, Key, "ProxyEnable");
        RegDeleteKeyValueA(HKEY_CURRENT_USER, Key, "ProxyServer");
    }
    SystemProxy(const SystemProxy&) = delete;
    SystemProxy& operator=(const SystemProxy&) = delete;

    bool Set() const { return set_; }

private:
    static constexpr const char* Key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    bool set_ = false;
};
