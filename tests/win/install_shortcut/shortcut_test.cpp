// The Desktop folder from the registry and the shortcut written through the shell link object.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "install/shortcut.h"
#include "support/scratch_folder.h"
#include "support/shortcut_link.h"

namespace {
constexpr const char* ShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* OverrideRoot = "Software\\LudraTest\\ShortcutOverride";

class Shortcut : public testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        desktop_ = scratch_ / "Desktop";
        product_ = scratch_ / "LUDRA47";
        CreateDirectoryA(desktop_.c_str(), nullptr);
        CreateDirectoryA(product_.c_str(), nullptr);
        program_ = product_ + "\\LUDRA.EXE";
        WriteWholeFile(program_, "");
        link_ = desktop_ + "\\LUDRA4.LNK";
    }
    void TearDown() override { CoUninitialize(); }
    ScratchFolder scratch_{"shortcut"};
    std::string desktop_, product_, program_, link_;
};
} // namespace

TEST_F(Shortcut, WrittenLinkReadsBackTargetFolderAndDescription) {
    EXPECT_EQ(S_OK, CreateDesktopShortcut(program_.c_str(), link_.c_str(), "Ludra4", product_.c_str()));
    const LinkFields fields = ReadLink(link_);
    ASSERT_EQ(S_OK, fields.loaded);
    EXPECT_STREQ(program_.c_str(), fields.path.c_str());
    EXPECT_EQ(product_, fields.workingFolder);
    EXPECT_EQ("Ludra4", fields.description);
}

TEST_F(Shortcut, ExistingLinkIsReplaced) {
    const std::string other = product_ + "\\OTHER.EXE";
    ASSERT_EQ(S_OK, CreateDesktopShortcut(other.c_str(), link_.c_str(), "Other", desktop_.c_str()));
    ASSERT_EQ(S_OK, CreateDesktopShortcut(program_.c_str(), link_.c_str(), "Ludra4", product_.c_str()));
    const LinkFields fields = ReadLink(link_);
    EXPECT_EQ(program_, fields.path);
    EXPECT_EQ("Ludra4", fields.description);
}

TEST_F(Shortcut, UnwritableFolderIsAFailure) {
    const std::string nowhere = desktop_ + "\\missing\\LUDRA4.LNK";
    EXPECT_TRUE(FAILED(CreateDesktopShortcut(program_.c_str(), nowhere.c_str(), "Ludra4", product_.c_str())));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(nowhere.c_str()));
}

TEST(ReadDesktopFolder, ReadsTheUsersDesktop) {
    char folder[ShortcutPathSize] = {};
    ASSERT_EQ(0, ReadDesktopFolder(folder));
    const std::string text = folder;
    ASSERT_GE(text.size(), 8u);
    EXPECT_EQ("\\Desktop", text.substr(text.size() - 8));
}

namespace {
// HKEY_CURRENT_USER redirected for this process to a scratch key, so the Desktop value can be shaped.
class DesktopValue : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, OverrideRoot);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, OverrideRoot, 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &root_, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, root_));
    }
    void TearDown() override {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (root_)
            RegCloseKey(root_);
        RegDeleteTreeA(HKEY_CURRENT_USER, OverrideRoot);
    }
    void SetDesktop(DWORD type, const void* data, DWORD size) {
        HKEY folders = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExA(root_, ShellFolders, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &folders, nullptr));
        RegSetValueExA(folders, "Desktop", 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(folders);
    }
    void SetDesktopText(const std::string& text) {
        SetDesktop(REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    // -1 must leave the caller's buffer as it was.
    int ReadUntouched() {
        char folder[ShortcutPathSize];
        std::memset(folder, '#', sizeof folder);
        const int result = ReadDesktopFolder(folder);
        if (result != 0) {
            for (char c : folder)
                EXPECT_EQ('#', c);
        }
        return result;
    }
    HKEY root_ = nullptr;
};
} // namespace

TEST_F(DesktopValue, MissingKeyOrValueIsRefused) {
    EXPECT_EQ(-1, ReadUntouched());
    SetDesktopText("");
    EXPECT_EQ(-1, ReadUntouched()) << "an empty folder is no folder";
    HKEY folders = nullptr;
    RegOpenKeyExA(root_, ShellFolders, 0, KEY_SET_VALUE, &folders);
    RegDeleteValueA(folders, "Desktop");
    RegCloseKey(folders);
    EXPECT_EQ(-1, ReadUntouched());
}

TEST_F(DesktopValue, ValueThatIsNoStringIsRefused) {
    const DWORD number = 7;
    SetDesktop(REG_DWORD, &number, sizeof number);
    EXPECT_EQ(-1, ReadUntouched());
}

TEST_F(DesktopValue, LongestFittingFolderIsReadAndLongerOneRefused) {
    const std::string longest = "C:\\" + std::string(ShortcutPathSize - 5, 'd');
    SetDesktopText(longest);
    char folder[ShortcutPathSize] = {};
    EXPECT_EQ(0, ReadDesktopFolder(folder));
    EXPECT_EQ(longest, folder);

    SetDesktopText(longest + "d");
    EXPECT_EQ(-1, ReadUntouched());
}

TEST_F(DesktopValue, ValueStoredWithoutTerminatorIsTerminated) {
    const std::string text = "C:\\Desk";
    SetDesktop(REG_SZ, text.data(), static_cast<DWORD>(text.size()));
    char folder[ShortcutPathSize];
    std::memset(folder, 'x', sizeof folder);
    EXPECT_EQ(0, ReadDesktopFolder(folder));
    EXPECT_STREQ("C:\\Desk", folder);
}
