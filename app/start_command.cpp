// The command line's effects on the run: the usage box, the log's first lines, the exit code, the
// setup dialog that a silent run confirms without showing it.
#include "app/start_command.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/install_sequence.h"
#include "app/setup_dialog.h"
#include "base/globals.h"
#include "base/setup_log.h"
#include "install/failure_trail.h"
#include "progress/wait.h"
#include "resources/resource_ids.h"

CommandLine StartCommand;

namespace {
constexpr size_t HeaderLineSize = 600;
constexpr WORD ExtendedTemplateSignature = 0xFFFF;
// DLGTEMPLATEEX: dlgVer, signature, helpID, exStyle, then style.
constexpr size_t ExtendedStyleOffset = 12;
constexpr DWORD MaxTemplateSize = 65536;

const char* ModeName(RunMode mode) {
    switch (mode) {
    case RunMode::Silent: return "silent";
    case RunMode::VerySilent: return "very silent";
    case RunMode::Interactive: break;
    }
    return "interactive";
}

void LogWindowsVersion() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    char line[HeaderLineSize];
    if (GetVersionExA(&version))
        std::snprintf(line, sizeof line, "Windows %lu.%lu build %lu%s%s", version.dwMajorVersion,
                      version.dwMinorVersion, version.dwBuildNumber, version.szCSDVersion[0] ? " " : "",
                      version.szCSDVersion);
    else
        std::snprintf(line, sizeof line, "Windows version unknown: error %lu", GetLastError());
    LogLine(line);
}
} // namespace

bool ReadStartCommand(const char* text, int* exitCode) {
    const CommandVerdict verdict = ParseCommandLine(text, &StartCommand);
    if (verdict == CommandVerdict::Run)
        return true;
    *exitCode = static_cast<int>(verdict == CommandVerdict::Help ? ExitCode::Completed : ExitCode::BadCommandLine);
    if (StartCommand.mode == RunMode::Interactive)
        MessageBoxA(nullptr, CommandUsageText, AppCaption.data(), MB_OK | MB_ICONINFORMATION);
    return false;
}

bool UnattendedRun() {
    return StartCommand.mode != RunMode::Interactive;
}

void BeginRunLog(const char* text) {
    if (StartCommand.logWanted && !OpenSetupLog(StartCommand.log.data()))
        LeaveFailureTrail({"log", GetLastError(), 0, 0, 0});
    char line[HeaderLineSize];
    std::snprintf(line, sizeof line, "Ludra 4.7 Setup 4.7.0.0, %s",
                  sizeof(void*) == 8 ? "64-bit (x64)" : "32-bit (x86)");
    LogLine(line);
    LogWindowsVersion();
    std::snprintf(line, sizeof line, "Command line: %s", text ? text : "");
    LogLine(line);
    std::snprintf(line, sizeof line, "Mode: %s", ModeName(StartCommand.mode));
    LogLine(line);
}

int InstallExitCode(int loopCode) {
    return UnattendedRun() ? static_cast<int>(InstallOutcome()) : loopCode;
}

int EndRun(int exitCode) {
    char line[HeaderLineSize];
    std::snprintf(line, sizeof line, "Exit code %d", exitCode);
    LogLine(line);
    CloseSetupLog();
    return exitCode;
}

HWND CreateHiddenSetupDialog(HWND owner) {
    HRSRC found = FindResourceA(AppInstance, MAKEINTRESOURCEA(IDD_SETUP), MAKEINTRESOURCEA(5)); // RT_DIALOG
    HGLOBAL loaded = found ? LoadResource(AppInstance, found) : nullptr;
    const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    const DWORD size = found ? SizeofResource(AppInstance, found) : 0;
    if (!bytes || size < ExtendedStyleOffset + sizeof(DWORD) || size > MaxTemplateSize)
        return nullptr;
    // A copy, DWORD-aligned as a template must be, with WS_VISIBLE taken out of its style.
    std::vector<DWORD> copy((size + sizeof(DWORD) - 1) / sizeof(DWORD));
    std::memcpy(copy.data(), bytes, size);
    auto* templateBytes = reinterpret_cast<unsigned char*>(copy.data());
    WORD signature = 0;
    std::memcpy(&signature, templateBytes + sizeof(WORD), sizeof signature);
    unsigned char* styleBytes =
        signature == ExtendedTemplateSignature ? templateBytes + ExtendedStyleOffset : templateBytes;
    DWORD style = 0;
    std::memcpy(&style, styleBytes, sizeof style);
    style &= ~static_cast<DWORD>(WS_VISIBLE);
    std::memcpy(styleBytes, &style, sizeof style);
    return CreateDialogIndirectParamA(AppInstance, reinterpret_cast<LPCDLGTEMPLATEA>(copy.data()), owner, SetupDlgProc,
                                      0);
}
