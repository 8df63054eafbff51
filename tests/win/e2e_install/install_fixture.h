// What every end-to-end installation test starts from: no installation folder and a Program
// Manager stand-in; afterwards the program, the package server and the stand-in are stopped and
// the folder is removed.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "http_server.h"
#include "install/shortcut.h"
#include "progman_server.h"
#include "support/files.h"
#include "support/package_port.h"

// Where the program puts its shortcut.
inline std::string DesktopShortcut() {
    wchar_t desktop[ShortcutPathSize] = {};
    if (ReadDesktopFolder(desktop) != 0)
        return {};
    return Narrow(desktop) + "\\LUDRA4.LNK";
}

constexpr const char* UninstallKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Deletes the entries in the list of installed programs that installations leave, so that every
// test sees "Ludra47" free.
inline void DeleteUninstallEntries() {
    HKEY list = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, UninstallKeyPath, 0, KEY_READ | KEY_WRITE, &list) != ERROR_SUCCESS)
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

class InstallFixture : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RemoveTree("C:\\LUDRA"));
        ASSERT_TRUE(RemoveTree("C:\\LUDRA47"));
        DeleteUninstallEntries();
        ASSERT_TRUE(progman_.Start());
    }
    void TearDown() override {
        program_.Kill();
        progman_.Stop();
        http_.Stop();
        RemoveTree("C:\\LUDRA");
        DeleteUninstallEntries();
    }

    // Serves `response` for the package URL the program was built with.
    void Serve(const harness::HttpResponse& response) {
        http_.SetResponse(response);
        ASSERT_TRUE(http_.Start(PackagePort())) << "port " << PackagePort() << " is taken";
    }

    harness::Program program_;
    harness::HttpServer http_;
    harness::ProgmanServer progman_;
};
