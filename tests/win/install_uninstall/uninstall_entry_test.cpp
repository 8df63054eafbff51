// The product's line in the installed programs' list: every value of a first entry, one key per
// folder, a key whose installation is gone taken over clean, removal of its own folder's key only.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "install/uninstall_entry.h"
#include "support/files.h"
#include "support/scratch_folder.h"
#include "support/uninstall_keys.h"

namespace {

// No Ludra47 key before or after a test: the tests share one Wine prefix.
struct EntryKeys {
    EntryKeys() { DeleteUninstallEntries(); }
    ~EntryKeys() { DeleteUninstallEntries(); }
};

std::string Register(const std::string& folder, uint64_t bytes = 0) {
    char name[UninstallKeyNameSize] = {};
    const bool written = RegisterUninstallEntry({folder.c_str(), bytes}, name, sizeof name);
    return written ? name : "failed " + std::to_string(GetLastError());
}

TEST(UninstallEntry, AFirstEntryHoldsEveryValueAndGoesWithItsFolder) {
    EntryKeys keys;
    ASSERT_EQ(Register("C:\\L", 1025), "Ludra47");
    SYSTEMTIME now;
    GetLocalTime(&now);
    char today[16];
    std::snprintf(today, sizeof today, "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    std::string values;
    for (const char* name :
         {"DisplayName", "DisplayVersion", "Publisher", "InstallLocation", "DisplayIcon", "UninstallString",
          "QuietUninstallString", "NoModify", "NoRepair", "EstimatedSize", "InstallDate"})
        values += UninstallValue("Ludra47", name) + "|";
    EXPECT_EQ(values, "1:Ludra 4.7|1:4.7|1:Ludra|1:C:\\L|1:C:\\L\\LUDRA.EXE,0|1:\"C:\\L\\LDUNINST.EXE\" /UNINSTALL|"
                      "1:\"C:\\L\\LDUNINST.EXE\" /UNINSTALL /VERYSILENT|4:1|4:1|4:2|1:" +
                          std::string(today) + "|");
    // The same folder in other letters rewrites its key; whole KB, rounded up and capped.
    const std::pair<uint64_t, const char*> sizes[] = {
        {0, "4:0"}, {1024, "4:1"}, {0xFFFFFFFFull * 1024 + 1, "4:4294967295"}, {UINT64_MAX, "4:4294967295"}};
    for (const auto& [bytes, kb] : sizes) {
        EXPECT_EQ(Register("c:\\l", bytes), "Ludra47");
        EXPECT_EQ(UninstallValue("Ludra47", "EstimatedSize"), kb) << bytes;
    }
    EXPECT_TRUE(RemoveUninstallEntry("c:\\L"));
    EXPECT_EQ(UninstallValue("Ludra47", "DisplayName"), "missing");
    EXPECT_TRUE(RemoveUninstallEntry("c:\\L")) << "nothing left is not a failure";
    const std::string longest(MAX_PATH - 1, 'x');
    EXPECT_EQ(Register(longest + "x"), "failed 206");
    ASSERT_EQ(Register(longest), "Ludra47");
    EXPECT_EQ(UninstallValue("Ludra47", "QuietUninstallString"),
              "1:\"" + longest + "\\LDUNINST.EXE\" /UNINSTALL /VERYSILENT");
}

TEST(UninstallEntry, EachFolderKeepsOneKeyAndAGoneInstallationsKeyIsTakenOverClean) {
    EntryKeys keys;
    ScratchFolder one("entry-one"), two("entry-two"), three("entry-three");
    for (const ScratchFolder* folder : {&one, &two, &three})
        ASSERT_TRUE(WriteWholeFile(*folder / "LDUNINST.EXE", "MZ"));
    EXPECT_EQ(Register(one.path()), "Ludra47");
    EXPECT_EQ(Register(two.path()), "Ludra47 (2)");
    EXPECT_EQ(UninstallValue("Ludra47 (2)", "DisplayName"), "1:Ludra 4.7 (" + two.path() + ")");
    // The second folder deleted by hand, its key with a value the new owner must not inherit.
    ASSERT_TRUE(DeleteFileA((two / "LDUNINST.EXE").c_str()));
    RegSetKeyValueA(HKEY_CURRENT_USER, UninstallEntryKey("Ludra47 (2)").c_str(), "Comments", REG_SZ, "old", 4);
    EXPECT_EQ(Register(three.path()), "Ludra47 (2)");
    EXPECT_EQ(UninstallValue("Ludra47 (2)", "InstallLocation"), "1:" + three.path());
    EXPECT_EQ(UninstallValue("Ludra47 (2)", "Comments"), "missing");
    // With the first key gone, the third folder keeps its own key rather than showing twice.
    EXPECT_TRUE(RemoveUninstallEntry(one.path().c_str()));
    EXPECT_EQ(UninstallValue("Ludra47", "DisplayName"), "missing");
    EXPECT_EQ(Register(three.path()), "Ludra47 (2)");
    // A key without InstallLocation belongs to nobody.
    RegSetKeyValueA(HKEY_CURRENT_USER, UninstallEntryKey("Ludra47").c_str(), "DisplayName", REG_SZ, "x", 2);
    EXPECT_EQ(Register(one.path()), "Ludra47");
    EXPECT_TRUE(RemoveUninstallEntry(three.path().c_str()));
    EXPECT_EQ(UninstallValue("Ludra47 (2)", "DisplayName"), "missing");
    EXPECT_EQ(UninstallValue("Ludra47", "InstallLocation"), "1:" + one.path());
}

} // namespace
