// The program as a deployment tool runs it: switches for a silent run, a folder and a log; the exit
// code that says how the run ended; no window where none may show; and the log a support desk asks
// for.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "harness.h"
#include "support/program_texts.h"
#include "support/zip_builder.h"
#include "unattended_fixture.h"

namespace {

using namespace harness;

TEST_F(Unattended, VerySilentInstallsWithoutAnyWindowAndLogsEveryStep) {
    Serve(HttpResponse{200, ReadWholeFile(DEMO_PACKAGE)});
    std::set<std::string> seen;
    // The folder's final backslash is dropped, and the quote after it does not swallow /LOG.
    EXPECT_EQ(0u, Run("/verysilent -DIR=\"C:\\LUDRA\\\" /LOG=\"" + log_ + "\"", &seen));
    EXPECT_TRUE(seen.empty()) << *seen.begin();

    const std::string demo = std::string(LUDRA_SOURCE_DIR) + "\\demo\\package\\";
    for (const char* file : {"LUDRA.EXE", "DATI\\ARCHIVI\\clienti.csv", "MODELLI\\fattura.mod"})
        EXPECT_EQ(ReadWholeFile(demo + file), ReadWholeFile(std::string("C:\\LUDRA\\") + file)) << file;
    char company[64] = {};
    GetPrivateProfileStringA("GENERALE", "Azienda", "", company, sizeof company, "C:\\LUDRA\\LUDRA.INI");
    EXPECT_STREQ("Demo S.r.l.", company);
    EXPECT_TRUE(FileExists(DesktopShortcut()));
    EXPECT_TRUE(WaitUntil([&] { return progman_.Executes() > 0; }, 5000));
    EXPECT_EQ(0u, progman_.Commands().find("[CreateGroup(\"Ludra 4.7\")]"));

    const std::string body = LogBody(log_);
    for (const char* line : {"Ludra 4.7 Setup 4.7.0.0, ", "\r\nCommand line: /verysilent -DIR=\"C:\\LUDRA\\\" /LOG=",
                             "\r\nMode: very silent\r\n", "\r\nFolder: C:\\LUDRA, screen class ",
                             "\r\nStep folder started\r\nStep folder succeeded after ",
                             "\r\nDownload: http://127.0.0.1:", "/Ludra47/LD46DEMO.zip, road direct, HTTP status 200, ",
                             "\r\nStep configuration succeeded after ", "\r\nStep shortcut succeeded after ",
                             "\r\nMessage not shown: Installazione terminata con successo.\\n\\nUtilizzare",
                             "\r\nStep group: asked of Program Manager\r\nExit code 0\r\n"})
        EXPECT_NE(std::string::npos, body.find(line)) << line << "\n" << body;
    EXPECT_EQ(body.size() - std::strlen("Exit code 0\r\n"), body.rfind("Exit code 0\r\n")) << "not the last line";
}

// Ways a silent run ends, each with its exit code, its log, what it leaves, and no GET where
// nothing was to be fetched.
TEST_F(Unattended, EachEndHasItsExitCodeAndItsLogAndShowsNothing) {
    const std::string demo = ReadWholeFile(DEMO_PACKAGE);
    ZipBuilder withoutInf;
    withoutInf.Add("LUDRA.EXE", "MZ");
    std::string corrupt = demo;
    for (size_t i = 100; i + 100 < corrupt.size(); i += 7)
        corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
    const std::string log = " /LOG=\"" + log_ + "\"";
    const struct {
        const char* name;
        std::string arguments;
        std::string package; // "": no server
        const char* program;
        DWORD exitCode;
        int requests;
        std::string logged; // "": no log may be written
    } rows[] = {
        {"no server", "/VERYSILENT" + log, "", LDSETUP_EXE, 5, 0, "Ludra Setup: download failed (direct): error "},
        {"a package no key of the build signed", "/VERYSILENT" + log,
         ReadWholeFile(std::string(SIGNED_PACKAGES) + "\\stranger\\LD46DEMO.zip"), LDSETUP_SIGNED_EXE, 6, 1,
         "Ludra Setup: package check failed (unknown key): "},
        {"a corrupt package", "/VERYSILENT" + log, corrupt, LDSETUP_EXE, 7, 1, "Ludra Setup: unpacking failed: "},
        {"no SETUP.INF", "/VERYSILENT" + log, withoutInf.Build(), LDSETUP_EXE, 8, 1,
         "Ludra Setup: configuration failed: "},
        {"an unknown switch: nothing done", "/VERYSILENT" + log + " /REBOOT", demo, LDSETUP_EXE, 1, 0, ""},
        {"a switch given twice", "/SILENT /SILENT", demo, LDSETUP_EXE, 1, 0, ""},
        {"a log that cannot be made still installs", "/VERYSILENT /LOG=\"C:\\no such folder\\x.log\"", demo,
         LDSETUP_EXE, 0, 1, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(RemoveTree("C:\\LUDRA"));
        DeleteFileA(log_.c_str());
        const int requestsBefore = http_.RequestCount();
        if (!row.package.empty())
            Serve(HttpResponse{200, row.package});
        std::set<std::string> seen;
        EXPECT_EQ(row.exitCode, Run(row.arguments, &seen, row.program));
        EXPECT_TRUE(seen.empty()) << *seen.begin();
        if (!row.package.empty()) {
            EXPECT_EQ(row.requests, http_.RequestCount() - requestsBefore);
        }
        EXPECT_EQ(row.exitCode == 0, FileExists("C:\\LUDRA\\LUDRA.INI"));
        EXPECT_EQ(row.exitCode != 1, IsFolderPath("C:\\LUDRA")) << "a command line not understood does nothing";
        http_.Stop();
        if (row.logged.empty()) {
            EXPECT_FALSE(PathExists(log_));
            continue;
        }
        const std::string body = LogBody(log_);
        const std::string ending = "\r\nMessage not shown: " + std::string(IncompleteText) + "\r\nExit code " +
                                   std::to_string(row.exitCode) + "\r\n";
        EXPECT_NE(std::string::npos, body.find("\r\n" + row.logged)) << body;
        EXPECT_EQ(body.size() - ending.size(), body.rfind(ending)) << body;
    }
}

// /LOG alone writes the first free numbered log of the temporary folder, never replacing one; an
// existing folder ends the run before any GET.
TEST_F(Unattended, ExistingFolderEndsWith3AndNumberedLogsNeverReplaceOneAnother) {
    Serve(HttpResponse{200, ReadWholeFile(DEMO_PACKAGE)});
    ASSERT_TRUE(CreateDirectoryA("C:\\LUDRA", nullptr));
    {
        TemporaryFolder temporary(scratch_.path());
        EXPECT_EQ(3u, Run("/SILENT /DIR=C:\\LUDRA /LOG"));
        EXPECT_EQ(3u, Run("/VERYSILENT /DIR=C:\\LUDRA /LOG"));
    }
    EXPECT_EQ(0, http_.RequestCount());
    SYSTEMTIME now;
    GetLocalTime(&now);
    char prefix[64];
    std::snprintf(prefix, sizeof prefix, "Ludra Setup Log %04u-%02u-%02u #", now.wYear, now.wMonth, now.wDay);
    for (const char* number : {"001", "002"}) {
        const std::string body = LogBody(scratch_ / (prefix + std::string(number) + ".txt"));
        EXPECT_NE(std::string::npos, body.find("\r\nStep folder failed after ")) << body;
        EXPECT_NE(std::string::npos, body.find(std::string("\r\nMessage not shown: ") + FolderExistsText)) << body;
        EXPECT_NE(std::string::npos, body.find("\r\nExit code 3\r\n")) << number;
    }
}

// /SILENT: the wait dialog is the only window, and its Annulla still asks, since a person pressed it.
TEST_F(Unattended, SilentShowsOnlyTheWaitAndAConfirmedCancelEndsWith2) {
    Serve(SlowPackage());
    ASSERT_TRUE(program_.Start(LDSETUP_EXE, nullptr, SW_SHOWNORMAL, ("/SILENT /LOG=" + log_).c_str()));
    VisibleWindows windows(program_);
    HWND wait = WaitForDialogWithControl(program_.Id(), IDC_WAIT_ANIMATION, 20000);
    ASSERT_NE(nullptr, wait);
    PressButton(wait, IDC_WAIT_CANCEL);
    HWND question = WaitForMessageBox(program_.Id());
    ASSERT_NE(nullptr, question);
    const std::string questionSeen = std::string("box: ") + CancelQuestion;
    EXPECT_TRUE(WaitUntil([&] { return windows.Saw(questionSeen); }, 5000));
    EXPECT_TRUE(AnswerMessageBox(question, IDYES));
    EXPECT_EQ((std::set<std::string>{"wait", questionSeen}), windows.Seen());
    DWORD exitCode = 99;
    ASSERT_TRUE(program_.WaitForExit(5000, &exitCode));
    EXPECT_EQ(2u, exitCode);
    const std::string body = LogBody(log_);
    EXPECT_NE(std::string::npos, body.find(std::string("Message shown (answer Yes): ") + CancelQuestion)) << body;
    EXPECT_NE(std::string::npos, body.find("\r\nExit code 2\r\n")) << body;
}

// Interactively the switches change only what they name: /DIR is proposed, /? shows the usage, and
// a command line not understood shows it too and ends with 1, installing nothing.
TEST_F(Unattended, InteractiveRunsProposeTheFolderAndShowTheUsage) {
    ASSERT_TRUE(program_.Start(LDSETUP_EXE, nullptr, SW_SHOWNORMAL, "/DIR=\"C:\\Cartella Ludra\\\""));
    HWND dialog = WaitForDialogWithControl(program_.Id(), IDC_FOLDER);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("C:\\Cartella Ludra", GetControlText(dialog, IDC_FOLDER));
    PressButton(dialog, IDCANCEL);
    DWORD exitCode = 99;
    ASSERT_TRUE(program_.WaitForExit(DefaultTimeoutMs, &exitCode));
    EXPECT_EQ(0u, exitCode);

    for (const auto& [arguments, expected] : {std::pair<const char*, DWORD>{"/?", 0}, {"-help", 0}, {"/DIR", 1}}) {
        ASSERT_TRUE(program_.Start(LDSETUP_EXE, nullptr, SW_SHOWNORMAL, arguments));
        HWND box = WaitForMessageBox(program_.Id());
        ASSERT_NE(nullptr, box) << arguments;
        EXPECT_EQ(0u, MessageBoxText(box).find("Uso: ldsetup [/SILENT | /VERYSILENT]")) << MessageBoxText(box);
        EXPECT_TRUE(AnswerMessageBox(box, IDOK));
        ASSERT_TRUE(program_.WaitForExit(DefaultTimeoutMs, &exitCode));
        EXPECT_EQ(expected, exitCode) << arguments;
        EXPECT_FALSE(PathExists("C:\\LUDRA"));
    }
}

} // namespace
