// What every end-to-end installation test starts from: no installation folder and a Program
// Manager stand-in; afterwards the program, the package server and the stand-in are stopped and
// the folder is removed.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "http_server.h"
#include "install/shortcut.h"
#include "progman_server.h"
#include "support/files.h"
#include "support/package_port.h"
#include "support/uninstall_keys.h"

// Where the program puts its shortcut.
inline std::string DesktopShortcut() {
    wchar_t desktop[ShortcutPathSize] = {};
    if (ReadDesktopFolder(desktop) != 0)
        return {};
    return Narrow(desktop) + "\\LUDRA4.LNK";
}

// The package served slowly enough (400,000 bytes in pieces of 4 KiB, 50 ms apart) that a test can
// press Annulla during the download.
inline harness::HttpResponse SlowPackage() {
    harness::HttpResponse slow;
    slow.body = ReadWholeFile(DEMO_PACKAGE);
    slow.body.resize(400000, 'x');
    slow.chunkSize = 4096;
    slow.chunkPauseMs = 50;
    return slow;
}

class InstallFixture : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RemoveTree("C:\\LUDRA"));
        ASSERT_TRUE(RemoveTree("C:\\LUDRA47"));
        DeleteUninstallEntries();
        DeleteFileA(DesktopShortcut().c_str());
        ASSERT_TRUE(progman_.Start());
    }
    void TearDown() override {
        program_.Kill();
        progman_.Stop();
        http_.Stop();
        RemoveTree("C:\\LUDRA");
        DeleteUninstallEntries();
        DeleteFileA(DesktopShortcut().c_str());
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
