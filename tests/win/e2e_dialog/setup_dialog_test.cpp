// The splash and the setup dialog as a user meets them: the real ldsetup.exe driven from outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "resources/resource_ids.h"
#include "support/e2e_steps.h"
#include "support/program_texts.h"

namespace {

using namespace harness;

class SetupDialog : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(RemoveTree("C:\\LUDRA"));
        ASSERT_TRUE(RemoveTree("C:\\LUDRA47"));
        ASSERT_TRUE(RemoveTree("C:\\LUDRATEST"));
    }
    void TearDown() override {
        program_.Kill();
        RemoveTree("C:\\LUDRA");
        RemoveTree("C:\\LUDRA47");
        RemoveTree("C:\\LUDRATEST");
    }

    HWND StartAndFindDialog(const char* workingFolder = nullptr) {
        EXPECT_TRUE(program_.Start(LDSETUP_EXE, workingFolder));
        HWND dialog = WaitForDialogWithControl(program_.Id(), IDC_FOLDER);
        EXPECT_NE(nullptr, dialog) << "the setup dialog did not open";
        return dialog;
    }

    // Confirms a folder and returns the text of the message box that answers, already closed.
    std::string ConfirmAndReadAnswer(HWND dialog, const char* folder) {
        SetControlText(dialog, IDC_FOLDER, folder);
        PressButton(dialog, IDOK);
        HWND box = WaitForMessageBox(program_.Id());
        if (!box)
            return "(no message box)";
        const std::string text = MessageBoxText(box);
        EXPECT_EQ(SetupCaption, GetText(box));
        EXPECT_TRUE(AnswerMessageBox(box, IDOK));
        return text;
    }

    void ExpectFolderFieldRefocusedAndSelected(HWND dialog) {
        HWND edit = GetDlgItem(dialog, IDC_FOLDER);
        EXPECT_TRUE(WaitUntil([&] { return FocusedControl(dialog) == edit; }, 3000));
        DWORD start = 1, end = 0;
        GetEditSelection(edit, &start, &end);
        EXPECT_EQ(0u, start);
        EXPECT_EQ(GetText(edit).size(), end);
    }

    Program program_;
};

TEST_F(SetupDialog, SplashSitsTopLeftAtBitmapSizeAndDialogIsCentred) {
    HWND dialog = StartAndFindDialog();
    ASSERT_NE(nullptr, dialog);

    HWND splash = WaitForWindow(program_.Id(), SetupCaption, nullptr);
    ASSERT_NE(nullptr, splash);
    RECT splashRect = {};
    GetWindowRect(splash, &splashRect);
    EXPECT_EQ(0, splashRect.left);
    EXPECT_EQ(0, splashRect.top);
    EXPECT_EQ(641, splashRect.right - splashRect.left);
    EXPECT_EQ(352, splashRect.bottom - splashRect.top);

    EXPECT_EQ(SetupCaption, GetText(dialog));
    RECT dialogRect = {};
    GetWindowRect(dialog, &dialogRect);
    const int width = dialogRect.right - dialogRect.left;
    const int height = dialogRect.bottom - dialogRect.top;
    EXPECT_EQ(1024 / 2 - width / 2, dialogRect.left);
    EXPECT_EQ(768 / 2 - height / 2, dialogRect.top);
    // The splash owns the modal dialog and is disabled while it runs.
    EXPECT_EQ(splash, GetWindow(dialog, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(splash));

    CancelAndExpectCleanExit(program_, dialog);
}

TEST_F(SetupDialog, ProposesLudraThenLudra47WhenLudraExists) {
    HWND dialog = StartAndFindDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("C:\\LUDRA", GetControlText(dialog, IDC_FOLDER));
    CancelAndExpectCleanExit(program_, dialog);

    ASSERT_TRUE(CreateDirectoryA("C:\\LUDRA", nullptr));
    ASSERT_TRUE(CreateDirectoryA("C:\\LUDRA47", nullptr));
    dialog = StartAndFindDialog();
    ASSERT_NE(nullptr, dialog);
    // Proposed even though it exists too; confirming it is then refused.
    EXPECT_EQ("C:\\LUDRA47", GetControlText(dialog, IDC_FOLDER));
    PressButton(dialog, IDOK);
    HWND box = WaitForMessageBox(program_.Id());
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(FolderExistsText, MessageBoxText(box));
    AnswerMessageBox(box, IDOK);
    CancelAndExpectCleanExit(program_, dialog);
}

TEST_F(SetupDialog, BlankFolderTextDoesNothingAtAll) {
    HWND dialog = StartAndFindDialog();
    ASSERT_NE(nullptr, dialog);
    for (const char* blank : {"", "    "}) {
        SetControlText(dialog, IDC_FOLDER, blank);
        PressButton(dialog, IDOK);
        EXPECT_EQ(nullptr, MessageBoxWithin(program_.Id(), 1500)) << "for '" << blank << "'";
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_FOLDER)));
    }
    CancelAndExpectCleanExit(program_, dialog);
}

TEST_F(SetupDialog, ExistingFolderIsRefusedAndTheFieldRefocused) {
    ASSERT_TRUE(CreateDirectoryA("C:\\LUDRATEST", nullptr));
    HWND dialog = StartAndFindDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(FolderExistsText, ConfirmAndReadAnswer(dialog, "C:\\LUDRATEST"));
    ExpectFolderFieldRefocusedAndSelected(dialog);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
    // The refused attempt is over: a close of the program ("end task") ends it at once.
    PostMessageA(HiddenOrVisibleWindowOf(program_.Id(), SetupCaption), WM_CLOSE, 0, 0);
    DWORD exitCode = 99;
    ASSERT_TRUE(program_.WaitForExit(DefaultTimeoutMs, &exitCode)) << "a close after a refused folder was not heard";
    EXPECT_EQ(0u, exitCode);
}

TEST_F(SetupDialog, FolderWhoseParentIsMissingCannotBeCreated) {
    HWND dialog = StartAndFindDialog();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(FolderNotCreatedText, ConfirmAndReadAnswer(dialog, "C:\\LUDRATEST\\SUB\\DIR"));
    EXPECT_FALSE(IsFolderPath("C:\\LUDRATEST"));
    ExpectFolderFieldRefocusedAndSelected(dialog);
    CancelAndExpectCleanExit(program_, dialog);
}

// A folder typed without a drive names a folder under the current one: the dialog answers for
// that folder and shows it in full.
TEST_F(SetupDialog, RelativeFolderWithTrailingBlanksIsCheckedAndShownInFull) {
    ASSERT_TRUE(CreateDirectoryA("C:\\LUDRATEST", nullptr));
    ASSERT_TRUE(CreateDirectoryA("C:\\LUDRATEST\\ESISTE", nullptr));
    HWND dialog = StartAndFindDialog("C:\\LUDRATEST");
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(FolderExistsText, ConfirmAndReadAnswer(dialog, "ESISTE  "));
    EXPECT_EQ("C:\\LUDRATEST\\ESISTE", GetControlText(dialog, IDC_FOLDER));
    ExpectFolderFieldRefocusedAndSelected(dialog);

    // The same with a drive and a trailing blank: the blank is no part of the folder.
    EXPECT_EQ(FolderExistsText, ConfirmAndReadAnswer(dialog, "C:\\LUDRATEST\\ESISTE "));
    EXPECT_EQ("C:\\LUDRATEST\\ESISTE", GetControlText(dialog, IDC_FOLDER));
    CancelAndExpectCleanExit(program_, dialog);
}

// 151 characters is all the folder can hold: a short text that becomes longer in full is
// refused before anything is made, not cut and not created somewhere else.
TEST_F(SetupDialog, RelativeFolderWhoseFullPathIsTooLongIsRefusedUntouched) {
    const std::string deep = "C:\\LUDRATEST\\" + std::string(130, 'P');
    ASSERT_TRUE(CreateDirectoryA("C:\\LUDRATEST", nullptr));
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr));
    HWND dialog = StartAndFindDialog(deep.c_str());
    ASSERT_NE(nullptr, dialog);
    const std::string typed = "NUOVA_CARTELLA"; // 158 characters in full
    EXPECT_EQ(FolderNotCreatedText, ConfirmAndReadAnswer(dialog, typed.c_str()));
    EXPECT_FALSE(IsFolderPath(deep + "\\" + typed));
    EXPECT_EQ(typed, GetControlText(dialog, IDC_FOLDER));
    ExpectFolderFieldRefocusedAndSelected(dialog);

    // Short enough in full, the same kind of text gets as far as the existing-folder check.
    ASSERT_TRUE(CreateDirectoryA((deep + "\\NUOVA").c_str(), nullptr));
    EXPECT_EQ(FolderExistsText, ConfirmAndReadAnswer(dialog, "NUOVA"));
    EXPECT_EQ(deep + "\\NUOVA", GetControlText(dialog, IDC_FOLDER));
    CancelAndExpectCleanExit(program_, dialog);
}

TEST_F(SetupDialog, PastedFolderTextIsCutTo151Characters) {
    HWND dialog = StartAndFindDialog();
    ASSERT_NE(nullptr, dialog);
    std::string longText = "C:\\";
    while (longText.size() < 200)
        longText += 'A';
    ASSERT_TRUE(PasteIntoControl(dialog, IDC_FOLDER, longText.c_str()));
    EXPECT_EQ(longText.substr(0, 151), GetControlText(dialog, IDC_FOLDER));
    CancelAndExpectCleanExit(program_, dialog);
}

TEST_F(SetupDialog, CancelEndsTheProcessWithExitCodeZero) {
    HWND dialog = StartAndFindDialog();
    ASSERT_NE(nullptr, dialog);
    CancelAndExpectCleanExit(program_, dialog);
    EXPECT_FALSE(IsFolderPath("C:\\LUDRA"));
}

} // namespace
