// The Desktop folder from the registry or the shell, and the shortcut written through the shell link object.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "install/shortcut.h"
#include "support/desktop_registry.h"
#include "support/scratch_folder.h"
#include "support/shortcut_link.h"

namespace {
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
        link_ = Widen(desktop_) + L"\\LUDRA4.LNK";
    }
    void TearDown() override { CoUninitialize(); }
    ScratchFolder scratch_{"shortcut"};
    std::string desktop_, product_, program_;
    std::wstring link_;
};
} // namespace

TEST_F(Shortcut, WrittenLinkReadsBackTargetFolderAndDescription) {
    EXPECT_EQ(S_OK, CreateDesktopShortcut(program_.c_str(), link_.c_str(), "Ludra4", product_.c_str()));
    const LinkFields fields = ReadLink(link_);
    ASSERT_EQ(S_OK, fields.loaded);
    EXPECT_EQ(program_, fields.path);
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
    const std::wstring nowhere = Widen(desktop_) + L"\\missing\\LUDRA4.LNK";
    EXPECT_TRUE(FAILED(CreateDesktopShortcut(program_.c_str(), nowhere.c_str(), "Ludra4", product_.c_str())));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(nowhere.c_str()));
}

// The Desktop's path goes wide to the file; the ANSI texts are read in the code page (the euro sign is 0x80).
TEST_F(Shortcut, DesktopOutsideTheCodePageAndEuroSignInTheFolderReadBack) {
    const std::wstring desktop = Widen(scratch_.path()) + L"\\Desktop \u0141ukasz";
    const std::string folder = scratch_ / "LUDRA \x80", program = folder + "\\LUDRA.EXE";
    ASSERT_TRUE(CreateDirectoryW(desktop.c_str(), nullptr) && CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(program, ""));
    EXPECT_EQ(S_OK,
              CreateDesktopShortcut(program.c_str(), (desktop + L"\\LUDRA4.LNK").c_str(), "Ludra4", folder.c_str()));
    const LinkFields fields = ReadLink(desktop + L"\\LUDRA4.LNK");
    EXPECT_EQ(program, fields.path);
    EXPECT_EQ(folder, fields.workingFolder);
}

namespace {
// The test prefix's own values, put back after the test. The Desktop the shell knows is the one
// the legacy value named before.
class DesktopValue : public testing::Test {
protected:
    SavedDesktopValue legacy_{ShellFoldersKey};
    SavedDesktopValue shell_{UserShellFoldersKey};
    ScratchFolder scratch_{"desktop"};
};
} // namespace

// The legacy value wins when it names a folder that is there, also outside the code page; else the
// shell's Desktop is taken, and with neither the caller's buffer stays as it was.
TEST_F(DesktopValue, LegacyValueCountsOnlyForAFolderThatIsThere) {
    const std::wstring real = legacy_.SavedText(), scratch = Widen(scratch_.path());
    const std::wstring polish = scratch + L"\\Desktop \u0141ukasz", missing = L"C:\\ludra_no_desktop";
    std::wstring longest = scratch + L"\\" + std::wstring(100, L'a') + L"\\" + std::wstring(100, L'b') + L"\\";
    longest.resize(ShortcutPathSize - 2, L'c');
    ASSERT_TRUE(IsFolderPath(Narrow(real)) && CreateDirectoryW(polish.c_str(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, SHCreateDirectoryExW(nullptr, longest.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(scratch_ / "Desktop.txt", ""));
    const struct {
        const char* name;
        std::wstring value;    // empty: none
        std::wstring expected; // empty: -1
    } rows[] = {
        {"an existing folder", scratch, scratch},
        {"an existing folder outside the code page", polish, polish},
        {"the longest that fits", longest, longest},
        {"one character longer", longest + L"c", real},
        {"outside the code page, not there", L"C:\\users\\nobody\\Desktop \u0141ukasz", real},
        {"a file", scratch + L"\\Desktop.txt", real},
        {"no value", L"", real},
        {"no Desktop folder anywhere", missing, L""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(shell_.Restore() &&
                    (row.value.empty() ? RegDeleteKeyValueW(HKEY_CURRENT_USER, ShellFoldersKey, L"Desktop") == 0
                                       : legacy_.SetText(row.value)));
        ASSERT_TRUE(!row.expected.empty() || shell_.SetText(missing));
        wchar_t folder[ShortcutPathSize];
        std::wmemset(folder, L'#', ShortcutPathSize);
        EXPECT_EQ(row.expected.empty() ? -1 : 0, ReadDesktopFolder(folder));
        const std::wstring read(folder, wcsnlen(folder, ShortcutPathSize));
        EXPECT_EQ(row.expected.empty() ? std::wstring(ShortcutPathSize, L'#') : row.expected, read);
    }
}
