// ldharness.exe: runs one whole installation of ldsetup.exe unattended, as a user would,
// printing the texts of every screen it meets and saving a screenshot of each.
//   ldharness.exe demo OUTPUT_FOLDER
#include <cstdio>
#include <cstring>
#include <string>

#include "harness.h"

namespace {

using namespace harness;

constexpr int FolderFieldId = 101;
constexpr int AnimationId = 104;
constexpr int WaitStatusId = 101;
constexpr int WaitDetailId = 102;
constexpr DWORD InstallTimeoutMs = 180000;

int screenshotCount = 0;

void Screenshot(const std::string& folder, const char* name) {
    char path[MAX_PATH] = {};
    snprintf(path, sizeof path, "%s\\%02d-%s.bmp", folder.c_str(), ++screenshotCount, name);
    if (SaveScreenshot(path))
        std::printf("   screenshot: %s\n", path);
    std::fflush(stdout);
}

void Settle() {
    Sleep(600); // let the windows paint before the picture is taken
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

int RunDemo(const std::string& outputFolder) {
    // Each demo starts from a clean C: drive of its own prefix.
    RemoveTree("C:\\LUDRA");
    RemoveTree("C:\\LUDRA47");

    Program program;
    if (!program.Start(LDSETUP_EXE)) {
        std::printf("cannot start %s\n", LDSETUP_EXE);
        return 1;
    }
    std::printf("== ldsetup.exe started\n");
    HWND dialog = WaitForDialogWithControl(program.Id(), FolderFieldId);
    if (!dialog) {
        std::printf("the setup dialog did not open\n");
        return 1;
    }
    Settle();
    std::printf("== Splash and setup dialog \"%s\"\n   folder proposed: %s\n   buttons: [%s] [%s]\n",
                GetText(dialog).c_str(), GetControlText(dialog, FolderFieldId).c_str(),
                GetControlText(dialog, IDOK).c_str(), GetControlText(dialog, IDCANCEL).c_str());
    Screenshot(outputFolder, "setup-dialog");

    std::printf("== Conferma\n");
    PressButton(dialog, IDOK);

    bool waitShot = false;
    std::string lastStatus;
    const ULONGLONG deadline = GetTickCount64() + InstallTimeoutMs;
    while (program.Running() && GetTickCount64() < deadline) {
        if (HWND box = MessageBoxWithin(program.Id(), 50)) {
            Settle();
            std::printf("== Message \"%s\"\n   %s\n", GetText(box).c_str(), OneLine(MessageBoxText(box)).c_str());
            Screenshot(outputFolder, "message");
            AnswerMessageBox(box, IDOK);
            // A failed installation gives the dialog back; the demo ends there.
            if (WaitUntil([dialog] { return IsWindow(dialog) && IsWindowEnabled(GetDlgItem(dialog, IDOK)); }, 500)) {
                std::printf("== the installation failed: Annulla\n");
                PressButton(dialog, IDCANCEL);
                break;
            }
            continue;
        }
        auto waits = WindowsOf(program.Id(), "#32770", nullptr,
                               [](HWND w) { return !IsMessageBox(w) && HasControl(w, AnimationId); });
        if (!waits.empty()) {
            const std::string status = OneLine(GetControlText(waits.front(), WaitStatusId));
            if (status != lastStatus) {
                std::printf("== Wait dialog: %s | %s\n", status.c_str(),
                            OneLine(GetControlText(waits.front(), WaitDetailId)).c_str());
                lastStatus = status;
            }
            if (!waitShot) {
                Sleep(300);
                Screenshot(outputFolder, "wait-dialog");
                waitShot = true;
            }
        }
    }
    DWORD exitCode = 0;
    if (!program.WaitForExit(5000, &exitCode)) {
        std::printf("ldsetup.exe did not end in time\n");
        return 1;
    }
    std::printf("== ldsetup.exe ended with exit code %lu\n", static_cast<unsigned long>(exitCode));
    return static_cast<int>(exitCode);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "demo") == 0)
        return RunDemo(argv[2]);
    std::printf("usage: ldharness demo OUTPUT_FOLDER\n");
    return 2;
}
